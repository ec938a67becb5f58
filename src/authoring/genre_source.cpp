// SPDX-License-Identifier: MIT
// Reading a genre file: a text file split into lines as the game does it (CRs
// dropped, trailing empty lines ignored), or a table's rows turned into the
// same layout; then for every text UTF-8 validation, strict code page 932, and
// the size rules of the chosen kind of set.
#include "genre_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ascii.h"
#include "codepage.h"
#include "format.h"
#include "authoring_i18n.h"
#include "sys.h"
#include "text_lines.h"
#include "utf8.h"
#include "workbook.h"

namespace {

// Characters that code page 932 holds only as a look-alike: the game would
// read the text back with the second one. (glibc's CP932 encoder writes these
// look-alikes silently; Windows' refuses without best fit.) Naming the
// look-alike tells the author what to write instead.
constexpr struct {
    const char *written;
    const char *shown;
} kLookAlikes[] = {
    {"¢", "￠"}, {"£", "￡"}, {"¥", "\\"}, {"¬", "￢"}, {"—", "―"}, {"‖", "∥"}, {"‾", "~"}, {"−", "－"}, {"〜", "～"},
};

const char *look_alike(const std::string &ch)
{
    for (const auto &l : kLookAlikes)
        if (ch == l.written) return l.shown;
    return nullptr;
}

// Length of the UTF-8 sequence at s[i], or 0 when it is not valid UTF-8.
size_t utf8_sequence(const std::string &s, size_t i)
{
    char32_t cp;
    return utf8_decode(s.data() + i, s.size() - i, &cp);
}

unsigned code_point(const std::string &ch)
{
    char32_t cp = 0;
    utf8_decode(ch.data(), ch.size(), &cp);
    return cp;
}

std::string describe(const std::string &ch)
{
    char buf[32];
    snprintf(buf, sizeof buf, "U+%04X", code_point(ch));
    const unsigned cp = code_point(ch);
    if (cp < 0x20 || cp == 0x7F) return buf;  // a control character: the code alone
    return "\"" + ch + "\" (" + buf + ")";
}

constexpr size_t kMaxListed = 20;

// The most lines a genre's layout can have.
constexpr size_t kMaxLayoutLines = 1 + kLinesPerQuestion * static_cast<size_t>(kPzqMaxQuestions);

struct Reporter {
    const std::string &path;
    std::vector<std::string> &problems;
    size_t listed = 0;  // lines and rows with problems so far
    void at(const SourceLine &line, const std::string &reason) const
    {
        problems.push_back(source_where(path, line) + ": " + reason);
    }
    void whole(const std::string &reason) const { problems.push_back(path + ": " + reason); }
    // Counts a line or row when it added problems since `mark`; false once
    // kMaxListed are listed, after saying that more are not.
    bool more(size_t mark)
    {
        if (problems.size() == mark || ++listed < kMaxListed) return true;
        whole(_("more problems not listed; fix these first"));
        return false;
    }
};

// The characters of valid UTF-8 text: its bytes that begin one.
size_t characters(std::string_view utf8)
{
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// A place inside a text: a text file's lines count "column"s, while in a
// table "column" is the cell, so there a place is a "character".
std::string place(const SourceLine &line, size_t n)
{
    return formatted(line.cell ? _("character %zu") : _("column %zu"), n);
}

// Converts one valid UTF-8 line, explaining the first character that cannot
// be held or would come back changed.
bool encode_line(const Reporter &r, const SourceLine &line, const std::string &text, std::string &sjis)
{
    if (utf8_to_cp932_strict(text, sjis)) return true;
    size_t column = 1;
    for (size_t i = 0; i < text.size(); ++column) {
        const std::string ch = text.substr(i, utf8_sequence(text, i));
        i += ch.size();
        std::string sjis, back;
        const bool encoded = cp932_encode(ch, &sjis);
        if (encoded && cp932_decode(sjis, &back) && back == ch) continue;
        const char *shown = look_alike(ch);
        if (!encoded && !shown) {
            r.at(line, formatted(_("%s: %s has no Shift-JIS (code page 932) form; write it another way"),
                                 place(line, column).c_str(), describe(ch).c_str()));
            return false;
        }
        if (shown) back = shown;
        if (back.empty())
            r.at(line, formatted(_("%s: %s would show as something else in the game; write another character instead"),
                                 place(line, column).c_str(), describe(ch).c_str()));
        else
            r.at(line,
                 formatted(_("%s: %s would show as %s in the game; write %s instead"), place(line, column).c_str(),
                           describe(ch).c_str(), describe(back).c_str(), back.c_str()));
        return false;
    }
    r.at(line, _("cannot be converted to Shift-JIS (code page 932)"));
    return false;
}

// How many characters from the start of a valid UTF-8 text fit in
// `sjisLimit` bytes of Shift-JIS and `utf8Limit` bytes of UTF-8.
size_t fitting_characters(const std::string &text, size_t sjisLimit, size_t utf8Limit)
{
    size_t sjis = 0, fit = 0;
    for (size_t i = 0; i < text.size(); ++fit) {
        const size_t n = utf8_sequence(text, i);
        std::string encoded;
        cp932_encode(text.substr(i, n), &encoded);
        sjis += encoded.size();
        i += n;
        if (sjis > sjisLimit || i > utf8Limit) break;
    }
    return fit;
}

// The size rule for line `index` of the layout in the chosen kind of set.
// A refusal gives the limit in bytes, and in characters: how many fit at
// most, and how many of this text's.
bool check_size(const Reporter &r, size_t index, const SourceLine &line, const std::string &text, size_t sjisBytes,
                PackFormat format)
{
    const auto bytes = static_cast<long long>(sjisBytes);
    const std::string role = line_role(index), chars = with_thousands(static_cast<long long>(characters(text)));
    if (format == PackFormat::Zip) {
        const bool sjisOver = bytes > kZipLineBytes, utf8Over = text.size() > static_cast<size_t>(kTextSlotBytes);
        if (!sjisOver && !utf8Over) return true;
        // A Japanese character is 2 bytes in Shift-JIS (half-width kana 1)
        // and 3 in UTF-8; ASCII is 1 in both.
        constexpr int japanese = std::min(kZipLineBytes / 2, kTextSlotBytes / 3);
        constexpr int ascii = std::min(kZipLineBytes, kTextSlotBytes);
        const std::string fit =
            with_thousands(static_cast<long long>(fitting_characters(text, kZipLineBytes, kTextSlotBytes)));
        if (sjisOver)
            r.at(line, formatted(_("%s is %s characters, %s bytes in Shift-JIS; a line of a ZIP set holds at most %d "
                                   "bytes (the game splits longer lines, which shifts every line after it): %d "
                                   "Japanese characters or %d ASCII ones, and of this text the first %s"),
                                 role.c_str(), chars.c_str(), with_thousands(bytes).c_str(), kZipLineBytes, japanese,
                                 ascii, fit.c_str()));
        else
            r.at(line,
                 formatted(_("%s is %s characters, %s bytes in UTF-8; the game keeps at most %d bytes and would "
                             "cut it short: %d Japanese characters or %d ASCII ones, and of this text the first "
                             "%s"),
                           role.c_str(), chars.c_str(), with_thousands(static_cast<long long>(text.size())).c_str(),
                           kTextSlotBytes, japanese, ascii, fit.c_str()));
        return false;
    }
    const int limit = index == 0                             ? kPzqNameSize
                      : (index - 1) % kLinesPerQuestion == 0 ? kPzqTextWidth
                                                             : kPzqChoiceWidth;
    if (bytes <= limit) return true;
    // The game reads a .pzq text into a UTF-8 slot that any of these fit.
    static_assert(3 * kPzqTextWidth <= kTextSlotBytes);
    const size_t fit = fitting_characters(text, static_cast<size_t>(limit), static_cast<size_t>(kTextSlotBytes));
    r.at(line, formatted(_("%s is %s characters, %lld bytes in Shift-JIS; a .pzq file holds at most %d bytes: %d "
                           "full-width characters or %d half-width ones, and of this text the first %zu; shorten it "
                           "or pack a ZIP set"),
                         role.c_str(), chars.c_str(), bytes, limit, limit / 2, limit, fit));
    return false;
}

// Every check of one text, line `index` of the layout: not empty, no NUL,
// UTF-8, Shift-JIS, the size. Reports the first problem it finds.
void check_line(const Reporter &r, size_t index, const SourceLine &line, const std::string &text, PackFormat format)
{
    if (text.empty()) {
        if (line.cell)
            r.at(line, formatted(_("empty cell where %s belongs; the game would show an empty text: write the missing "
                                   "text"),
                                 line_role(index).c_str()));
        else
            r.at(line, formatted(_("empty line where %s belongs; the game would read an empty text and every later "
                                   "line would shift: remove it, or write the missing text"),
                                 line_role(index).c_str()));
        return;
    }
    if (text.find('\0') != std::string::npos) {
        r.at(line, formatted(_("holds a NUL byte at %s; the game would end the text there"),
                             place(line, text.find('\0') + 1).c_str()));
        return;
    }
    const auto control = std::find_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F;
    });
    if (control != text.end()) {
        char code[8];
        snprintf(code, sizeof code, "U+%04X", static_cast<unsigned char>(*control));
        const size_t before = characters(std::string_view(text).substr(0, control - text.begin()));
        r.at(line, formatted(_("%s: control character %s; a text holds no control character but tab (the game shows "
                               "it as a box): remove it"),
                             place(line, before + 1).c_str(), code));
        return;
    }
    size_t column = 1;
    for (size_t k = 0; k < text.size(); ++column) {
        const size_t n = utf8_sequence(text, k);
        if (n == 0) {
            char hex[8];
            snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text[k]));
            std::string sjis;
            // A table that reads as Shift-JIS throughout is converted; what is
            // left here is a mix, which the file-wide message explains.
            const bool looksSjis = !line.cell && cp932_decode(text, &sjis);
            const char *why = line.cell   ? _("%s: byte %s is not UTF-8")
                              : looksSjis ? _("%s: byte %s is not UTF-8; the file looks like Shift-JIS: save it as "
                                              "UTF-8, pack converts it")
                                          : _("%s: byte %s is not UTF-8; save the file as UTF-8");
            r.at(line, formatted(why, place(line, column).c_str(), hex));
            return;
        }
        k += n;
    }
    // What an editor or a conversion writes for a character it could not
    // read: the character itself is gone.
    const size_t lost = text.find("\uFFFD");
    if (lost != std::string::npos) {
        r.at(line, formatted(_("%s: U+FFFD, the replacement character, stands where a character was lost when the "
                               "file was saved or converted; write the character that belongs there"),
                             place(line, characters(std::string_view(text).substr(0, lost)) + 1).c_str()));
        return;
    }
    std::string sjis;
    if (encode_line(r, line, text, sjis)) check_size(r, index, line, text, sjis.size(), format);
}

// The question limit of the chosen kind of set.
void check_question_count(const Reporter &r, long long questions, PackFormat format)
{
    const int limit = format == PackFormat::Zip ? kZipMaxQuestions : kPzqMaxQuestions;
    if (questions > limit) {
        r.whole(formatted(format == PackFormat::Zip
                              ? _("%s questions; a genre holds at most %s in a ZIP set (the game reads 1,024 lines of "
                                  "a member); split it into two genres")
                              : _("%s questions; a genre holds at most %s in a .pzq file; split it into two genres"),
                          with_thousands(questions).c_str(), with_thousands(limit).c_str()));
    }
}

bool read_text_genre(const std::string &path, const std::string &data, PackFormat format, GenreSource &out,
                     std::vector<std::string> &problems)
{
    const size_t before = problems.size();
    Reporter r{path, problems};
    size_t start = 0;
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        problems.push_back(formatted(
            _("%s:1: begins with a UTF-8 byte-order mark; save the file as UTF-8 without a BOM"), path.c_str()));
        start = 3;
    }
    // Split as the game does (LF ends a line, CR is dropped wherever it
    // stands), without its 511-byte pieces or its 1,024-line limit: those are
    // the sizes checked below. No more lines are taken than one question
    // past the largest genre (enough to say by how many questions it is too
    // long); after them only line ends may follow.
    TextLines split =
        split_text_lines(data.data() + start, data.size() - start, 0, kMaxLayoutLines + kLinesPerQuestion);
    if (split.moreAfterLimit) {
        r.whole(formatted(_("more than %s lines; a genre holds at most %s questions (1 + 6 × 32,767 lines): split it "
                            "into two genres"),
                          with_thousands(static_cast<long long>(kMaxLayoutLines + kLinesPerQuestion)).c_str(),
                          with_thousands(kPzqMaxQuestions).c_str()));
        return false;
    }
    out.lines.reserve(split.lines.size());
    size_t bytes = 0;
    for (const TextLine &line : split.lines) bytes += line.text.size() + 1;
    out.texts.reserve(bytes);
    for (const TextLine &line : split.lines) out.add(line.text, line.physical, 0, false);
    split = TextLines{};
    while (!out.lines.empty() && out.lines.back().size == 0) out.lines.pop_back();

    if (out.lines.empty()) {
        r.whole(_("the file holds no text; a genre is a name line, then six lines per question"));
        return false;
    }

    for (size_t i = 0; i < out.lines.size(); ++i) {
        const size_t mark = problems.size();
        check_line(r, i, out.lines[i], std::string(out.text(i)), format);
        if (!r.more(mark)) break;
    }

    const size_t count = out.lines.size();
    if (count < 7 || (count - 1) % kLinesPerQuestion != 0) {
        const size_t below = count < 7 ? 7 : 1 + kLinesPerQuestion * ((count - 1) / kLinesPerQuestion);
        const std::string last = excerpt(std::string(out.text(count - 1)));
        if (count < 7)
            r.at(out.lines[count - 1],
                 formatted(_("%zu lines (after dropping trailing empty lines); a genre needs 1 + 6 "
                             "× n lines: at least 7 (7, 13, 19, …). Line %zu is: %s"),
                           count, count, last.c_str()));
        else
            r.at(out.lines[count - 1],
                 formatted(_("%zu lines (after dropping trailing empty lines); a genre needs 1 + 6 "
                             "× n lines: %zu or %zu. Line %zu is: %s"),
                           count, below, below + 6, count, last.c_str()));
    } else {
        check_question_count(r, out.questions(), format);
    }
    return problems.size() == before;
}

// A cell as a header word: spaces (ASCII and full-width) around it dropped,
// ASCII letters in lower case.
std::string header_word(const std::string &cell)
{
    constexpr std::string_view kIdeographicSpace = "\u3000";
    std::string_view s = cell;
    for (;;) {
        if (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        else if (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.remove_suffix(1);
        else if (s.substr(0, 3) == kIdeographicSpace)
            s.remove_prefix(3);
        else if (s.size() >= 3 && s.substr(s.size() - 3) == kIdeographicSpace)
            s.remove_suffix(3);
        else
            break;
    }
    return ascii_lower(s);
}

// Words for the first two columns, as header_word gives them.
constexpr const char *kQuestionWords[] = {"question", "q", "問題", "問題文", "設問", "質問"};
constexpr const char *kAnswerWords[] = {"answer", "a",    "correct", "correct answer", "right answer",
                                        "正解",   "答え", "答",      "解答",           "正答"};
// Other words a header row holds: titles for the wrong answers and notes.
constexpr const char *kOtherHeadingWords[] = {"誤答",         "不正解",    "選択肢", "ダミー", "wrong",
                                              "wrong answer", "incorrect", "choice", "メモ",   "備考",
                                              "memo",         "note",      "notes"};

template <size_t N>
bool one_of(const char *const (&words)[N], const std::string &word)
{
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

// A header row names the first two columns: both must be header words, so a
// real question is never taken for one (it would need the question "問題"
// with the right answer "正解").
bool is_header_row(const std::vector<std::string> &cells)
{
    if (cells.size() < 2) return false;
    const std::string q = header_word(cells[0]), a = header_word(cells[1]);
    return one_of(kQuestionWords, q) && one_of(kAnswerWords, a);
}

bool row_empty(const TableRow &row)
{
    for (const std::string &c : row.cells)
        if (!c.empty()) return false;
    return true;
}

// Whether a cell reads as a column title: a header word of any column, with
// a number after it ("誤答1", "wrong answer 2"). Single letters (Q, A) count
// only as a pair in the first two columns: alone they are common answers.
bool heading_cell(const std::string &cell)
{
    std::string word = header_word(cell);
    for (;;) {
        const size_t n = word.size();
        if (n >= 1 && word[n - 1] >= '0' && word[n - 1] <= '9')
            word.pop_back();
        else if (n >= 3 && word.compare(n - 3, 2, "\xEF\xBC") == 0 && word[n - 1] >= '\x90' && word[n - 1] <= '\x99')
            word.resize(n - 3);  // a full-width digit
        else
            break;
    }
    word = header_word(word);
    if (word.size() < 2) return false;
    return one_of(kQuestionWords, word) || one_of(kAnswerWords, word) || one_of(kOtherHeadingWords, word);
}

// Which row the questions start at: 1 below a header row, else 0. A first
// row read as a question that holds a column title is warned of: a header
// of words pack does not know would be question 1.
size_t first_question_row(const std::string &path, const std::vector<TableRow> &rows, HeaderRow header,
                          std::vector<PackWarning> &warnings)
{
    if (rows.empty() || header == HeaderRow::No) return 0;
    if (header == HeaderRow::Yes || is_header_row(rows[0].cells)) return 1;
    for (size_t c = 0; c < rows[0].cells.size(); ++c) {
        if (!heading_cell(rows[0].cells[c])) continue;
        warnings.push_back({source_where(path, {0, 0, rows[0].row, static_cast<unsigned short>(c + 1), true}),
                            formatted(_("\"%s\" looks like a column title, but row %d is read as a question; give "
                                        "--header to skip the first row, or --no-header to keep it as a question"),
                                      excerpt(rows[0].cells[c]).c_str(), rows[0].row)});
        break;
    }
    return 0;
}

// Kana, kanji and half-width katakana: what marks a text as Japanese.
bool holds_japanese(const std::string &text)
{
    for (size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const size_t n = utf8_decode(text.data() + i, text.size() - i, &c);
        if (n == 0) return false;
        if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xFF66 && c <= 0xFF9F)) return true;
        i += n;
    }
    return false;
}

// Cells whose characters were most likely lost when the table was saved: a
// spreadsheet that exports in an encoding without a character writes "?"
// for it (all of a Japanese text in a Western one, emoji and accented
// letters in Shift-JIS). Named once a row, at its first such cell.
void check_lost_text(const std::string &path, const TableRow &row, std::vector<PackWarning> &warnings)
{
    bool japanese = false;
    for (const std::string &c : row.cells) japanese = japanese || holds_japanese(c);
    for (size_t c = 0; c < row.cells.size(); ++c) {
        const std::string &cell = row.cells[c];
        const bool marksOnly = !cell.empty() && cell.find_first_not_of('?') == std::string::npos;
        if (!marksOnly && !(japanese && cell.find("??") != std::string::npos)) continue;
        const std::string where = source_where(path, {0, 0, row.row, static_cast<unsigned short>(c + 1), true});
        if (marksOnly)
            warnings.push_back({where, _("the cell holds only \"?\": its text was most likely lost when the table "
                                         "was saved in an encoding without its characters; save it as CSV in UTF-8")});
        else
            warnings.push_back({where, formatted(_("\"??\" in a row of Japanese text (\"%s\"): characters were "
                                                   "most likely lost when the table was saved in an encoding without "
                                                   "them; save it as CSV in UTF-8"),
                                                 excerpt(cell).c_str())});
        return;  // one warning a row: an export loses the same way in every cell
    }
}

// A spreadsheet pads every row to the widest one: empty cells after the
// sixth are dropped, so that only the rows that hold more are named.
void drop_padding(std::vector<TableRow> &rows)
{
    for (TableRow &row : rows)
        while (row.cells.size() > kLinesPerQuestion && row.cells.back().empty()) row.cells.pop_back();
}

// The number of cells most question rows have; 6 when as many have 6.
size_t usual_cell_count(const std::vector<TableRow> &rows, size_t first)
{
    std::vector<size_t> counts;
    for (size_t k = first; k < rows.size(); ++k)
        if (!row_empty(rows[k])) counts.push_back(rows[k].cells.size());
    std::sort(counts.begin(), counts.end());
    size_t usual = kLinesPerQuestion,
           most = static_cast<size_t>(std::count(counts.begin(), counts.end(), size_t{kLinesPerQuestion}));
    for (size_t k = 0; k < counts.size();) {
        const size_t run =
            static_cast<size_t>(std::upper_bound(counts.begin(), counts.end(), counts[k]) - counts.begin()) - k;
        if (run > most) usual = counts[k], most = run;
        k += run;
    }
    return usual;
}

// A row of another number of cells than 6: named with its first extra cell.
void cell_count_problem(const std::string &path, const TableRow &row, std::vector<std::string> &problems)
{
    const int n = static_cast<int>(row.cells.size());
    if (n > kLinesPerQuestion)
        problems.push_back(source_where(path, {0, 0, row.row, 7, true}) + ": " +
                           formatted(_("%d cells; a row holds 6: the question, the right answer and four wrong "
                                       "answers. Cell 7 holds \"%s\": remove what does not belong to the question"),
                                     n, excerpt(row.cells[kLinesPerQuestion]).c_str()));
    else
        problems.push_back(source_where(path, {0, 0, row.row, 0, true}) + ": " +
                           formatted(P_("%d cell; a row holds 6: the question, the right answer and four wrong answers",
                                        "%d cells; a row holds 6: the question, the right answer and four wrong "
                                        "answers",
                                        n),
                                     n));
}

// Fewer questions than a stage asks: the game then asks some twice in a
// stage, as it draws them without repeats only until the genre runs out.
void check_short_genre(GenreSource &g)
{
    constexpr int kStageQuestions = 10;
    if (g.questions() >= kStageQuestions) return;
    g.warnings.push_back({g.path, formatted(_("only %d of the %d questions a stage asks; they will repeat within a "
                                              "stage: write at least %d"),
                                            g.questions(), kStageQuestions, kStageQuestions)});
}

// Empties a genre about to be read from `path`.
void start_source(GenreSource &out, const std::string &path)
{
    out.path = path;
    out.lines.clear();
    out.texts.clear();
    out.shiftJis = false;
    out.warnings.clear();
}

}  // namespace

bool utf8_to_cp932_strict(const std::string &utf8, std::string &sjis)
{
    std::string back;
    return cp932_encode(utf8, &sjis) && cp932_decode(sjis, &back) && back == utf8;
}

std::string source_where(const std::string &path, const SourceLine &line)
{
    if (line.line < 0) return "--name";
    if (line.line == 0) return path;
    // Appended piece by piece: GCC 12 warns (-Wrestrict) of a false overlap
    // in `":" + std::to_string(n)` when it optimises for Windows.
    std::string where = path;
    where += ':';
    where += std::to_string(line.line);
    if (line.column) {
        where += ':';
        where += std::to_string(line.column);
    }
    return where;
}

std::string source_sjis(const GenreSource &g, size_t k)
{
    std::string sjis;
    utf8_to_cp932_strict(std::string(g.text(k)), sjis);
    return sjis;
}

void GenreSource::add(std::string_view text, int line, unsigned short column, bool cell)
{
    lines.push_back({static_cast<uint32_t>(texts.size()), static_cast<uint32_t>(text.size()), line, column, cell});
    texts.append(text);
    texts += '\0';
}

std::string line_role(size_t index)
{
    if (index == 0) return _("the genre name");
    switch ((index - 1) % kLinesPerQuestion) {
    case 0: return _("the question");
    case 1: return _("the right answer");
    default: return formatted(_("wrong answer %zu"), (index - 1) % 6 - 1);
    }
}

std::string excerpt(const std::string &utf8, size_t chars)
{
    size_t i = 0, n = 0;
    while (i < utf8.size() && n < chars) {
        const size_t len = utf8_sequence(utf8, i);
        i += len ? len : 1;
        ++n;
    }
    return i < utf8.size() ? utf8.substr(0, i) + "…" : utf8;
}

std::string table_genre_name(const std::string &path)
{
    // A backslash ends a folder as on Windows, on every system, so a name is
    // the same wherever a set is packed.
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string stem = name.substr(0, name.rfind('.'));
    size_t digits = 0;
    while (digits < stem.size() && digits < 3 && stem[digits] >= '0' && stem[digits] <= '9') ++digits;
    if (digits >= 1 && digits <= 2 && digits + 1 < stem.size() && stem[digits] == '_') return stem.substr(digits + 1);
    return stem;
}

bool genre_table_kind(const std::string &path, TableKind *kind)
{
    if (path.size() < 4 || path[path.size() - 4] != '.') return false;
    const std::string ext = ascii_lower(path.substr(path.size() - 3));
    if (ext != "csv" && ext != "tsv") return false;
    *kind = ext == "csv" ? TableKind::Csv : TableKind::Tsv;
    return true;
}

bool genre_from_table(const std::string &path, std::string_view data, TableKind kind, const std::string &name,
                      PackFormat format, GenreSource &out, std::vector<std::string> &problems, HeaderRow header)
{
    const size_t before = problems.size();
    Reporter r{path, problems};
    start_source(out, path);

    const std::string workbook = workbook_signature_problem(data);
    if (!workbook.empty()) {
        r.whole(workbook);
        return false;
    }
    if (data.substr(0, 2) == "\xFF\xFE" || data.substr(0, 2) == "\xFE\xFF") {
        r.whole(_("is UTF-16 (a spreadsheet's \"Unicode text\"); save it as CSV in UTF-8"));
        return false;
    }
    const bool bom = data.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) data.remove_prefix(3);
    bool shiftJis = false;
    std::string decoded;
    if (!utf8_valid(data.data(), data.size())) {
        if (!bom && cp932_decode(data, &decoded)) {
            data = decoded;
            shiftJis = true;
        } else {
            // Read on as it is: the cells with bytes that are not UTF-8 are
            // named below.
            r.whole(_("is neither UTF-8 nor Shift-JIS (code page 932) throughout; save it as CSV in UTF-8"));
        }
    }

    // A header row and the most questions a set holds; beyond them only
    // empty rows are read (and not kept), so a huge file cannot make rows
    // without end.
    const TableLimits limits{1 + static_cast<size_t>(kPzqMaxQuestions), kMaxTableCells};
    std::vector<TableRow> rows;
    TableProblem bad;
    if (!parse_table(data, kind, rows, &bad, limits)) {
        if (static_cast<size_t>(bad.row) > limits.maxRows)
            bad.reason = formatted(_("%s; a genre holds at most %s questions, below a header row: split the table into "
                                     "two genres"),
                                   bad.reason.c_str(), with_thousands(kPzqMaxQuestions).c_str());
        problems.push_back(path + ":" + std::to_string(bad.row) + ":" + std::to_string(bad.column) + ": " + bad.reason);
        return false;
    }
    const bool ok = problems.size() == before;
    const bool rowsOk =
        genre_from_rows(path, rows, name.empty() ? table_genre_name(path) : name,
                        name.empty() ? GenreNameFrom::FileName : GenreNameFrom::Option, format, out, problems, header);
    out.shiftJis = shiftJis;
    return ok && rowsOk;
}

bool genre_from_rows(const std::string &path, std::vector<TableRow> &rows, const std::string &name,
                     GenreNameFrom nameFrom, PackFormat format, GenreSource &out, std::vector<std::string> &problems,
                     HeaderRow header)
{
    const size_t before = problems.size();
    Reporter r{path, problems};
    start_source(out, path);

    out.add(name, nameFrom == GenreNameFrom::Option ? -1 : 0, 0, true);
    if (out.lines[0].size == 0) {
        r.whole(nameFrom == GenreNameFrom::Sheet ? _("the sheet has no name; name it after the genre")
                                                 : _("the file name gives no genre name; give pack --name NAME"));
    } else {
        const size_t mark = problems.size();
        check_line(r, 0, out.lines[0], std::string(out.text(0)), format);
        if (problems.size() > mark && nameFrom == GenreNameFrom::FileName)
            r.whole(
                _("the genre name is the file's name without folder, extension and a leading number with \"_\" "
                  "(\"1_\", \"01_\"); rename the file, or give pack --name NAME"));
        if (problems.size() > mark && nameFrom == GenreNameFrom::Sheet)
            r.whole(
                _("the genre name is the sheet's name; rename the sheet (or, for a workbook of one sheet, give "
                  "pack --name NAME)"));
    }
    while (!rows.empty() && row_empty(rows.back())) rows.pop_back();
    drop_padding(rows);
    const size_t first = first_question_row(path, rows, header, out.warnings);
    if (first == rows.size()) {
        r.whole(first ? _("holds no questions below its header row; a table holds one question per row: question, "
                          "right answer, four wrong answers")
                      : _("holds no questions; a table holds one question per row: question, right answer, four "
                          "wrong answers"));
        return false;
    }
    out.lines.reserve(1 + kLinesPerQuestion * (rows.size() - first));  // exactly: pack holds eight genres at once
    size_t bytes = out.texts.size();
    for (size_t k = first; k < rows.size(); ++k)
        for (const std::string &c : rows[k].cells) bytes += c.size() + 1;
    out.texts.reserve(bytes);
    // Most rows of another count than 6 is one mistake of the whole table (a
    // column too many); the rows that differ from most are named.
    const size_t usual = usual_cell_count(rows, first);
    if (usual != kLinesPerQuestion)
        r.whole(formatted(_("most rows have %d cells; a row holds 6: the question, the right answer and four wrong "
                            "answers, in the first six columns"),
                          static_cast<int>(usual)));
    for (size_t k = first; k < rows.size(); ++k) {
        TableRow &row = rows[k];
        const std::string where = path + ":" + std::to_string(row.row);
        size_t mark = problems.size();
        if (row_empty(row)) {
            problems.push_back(
                formatted(_("%s: empty row; write the question that belongs here, or remove the row"), where.c_str()));
        } else if (row.cells.size() != kLinesPerQuestion) {
            if (row.cells.size() != usual) cell_count_problem(path, row, problems);
        } else {
            check_lost_text(path, row, out.warnings);
            for (size_t c = 0; c < kLinesPerQuestion; ++c) {
                out.add(row.cells[c], row.row, static_cast<unsigned short>(c + 1), true);
                check_line(r, 1 + kLinesPerQuestion * (k - first) + c, out.lines.back(), row.cells[c], format);
                if (!r.more(mark)) return false;
                mark = problems.size();
            }
            continue;
        }
        if (!r.more(mark)) return false;
    }
    check_question_count(r, static_cast<long long>(rows.size() - first), format);
    if (problems.size() != before) return false;
    check_short_genre(out);
    return true;
}

bool read_genre_source(const std::string &path, PackFormat format, const std::string &name, GenreSource &out,
                       std::vector<std::string> &problems, HeaderRow header)
{
    start_source(out, path);
    TableKind kind = TableKind::Csv;
    const bool table = genre_table_kind(path, &kind);

    // The longest source any set can take: a byte-order mark, then the name
    // and 32,767 questions, every line of the longest text and CR LF. A table
    // may hold a header row and write every text quoted with its quotes
    // doubled. Longer files are refused unread.
    constexpr uint64_t kLongestSource = 3 + (1 + 6ull * kPzqMaxQuestions) * (kTextSlotBytes + 2);
    constexpr uint64_t kLongestTable = 3 + (1 + kPzqMaxQuestions) * (6ull * (2 * kTextSlotBytes + 3) + 2);
    std::string data, why;
    if (!sys_read_file(path.c_str(), table ? kLongestTable : kLongestSource, &data, &why)) {
        problems.push_back(path + ": " + why);
        return false;
    }
    if (table) return genre_from_table(path, data, kind, name, format, out, problems, header);
    const std::string workbook = workbook_signature_problem(data);
    if (!workbook.empty()) {
        problems.push_back(path + ": " + workbook);
        return false;
    }
    if (!read_text_genre(path, data, format, out, problems)) return false;
    check_short_genre(out);
    return true;
}
