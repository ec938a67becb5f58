// Reading a genre file: a text file split into lines as the game does it (CRs
// dropped, trailing empty lines ignored), or a table's rows turned into the
// same layout; then for every text UTF-8 validation, strict code page 932, and
// the size rules of the chosen kind of set.
#include "genre_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codepage.h"
#include "format.h"
#include "i18n.h"
#include "sys.h"
#include "text_lines.h"
#include "utf8.h"

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

// The most lines a genre's layout can have, and the most cells a table's row
// is read with (a row holds 6; more only need counting up to a point).
constexpr size_t kMaxLayoutLines = 1 + 6 * static_cast<size_t>(kPzqMaxQuestions);
constexpr size_t kMaxTableCells = 100;

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

// A place inside a text: a text file's lines count "column"s, while in a
// table "column" is the cell, so there a place is a "character".
std::string place(const SourceLine &line, size_t n)
{
    return format_text(line.cell ? _("character %zu") : _("column %zu"), n);
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
            r.at(line, format_text(_("%s: %s has no Shift-JIS (code page 932) form; write it another way"),
                                   place(line, column).c_str(), describe(ch).c_str()));
            return false;
        }
        if (shown) back = shown;
        if (back.empty())
            r.at(line,
                 format_text(_("%s: %s would show as something else in the game; write another character instead"),
                             place(line, column).c_str(), describe(ch).c_str()));
        else
            r.at(line,
                 format_text(_("%s: %s would show as %s in the game; write %s instead"), place(line, column).c_str(),
                             describe(ch).c_str(), describe(back).c_str(), back.c_str()));
        return false;
    }
    r.at(line, _("cannot be converted to Shift-JIS (code page 932)"));
    return false;
}

// The size rule for line `index` of the layout in the chosen kind of set.
bool check_size(const Reporter &r, size_t index, const SourceLine &line, const std::string &text, size_t sjisBytes,
                PackFormat format)
{
    const auto bytes = static_cast<long long>(sjisBytes);
    if (format == PackFormat::Zip) {
        if (bytes > kZipLineBytes) {
            r.at(line,
                 format_text(_("%s is %s bytes in Shift-JIS; a line of a ZIP set holds at most %d (the game splits "
                               "longer lines, which shifts every line after it)"),
                             line_role(index).c_str(), with_thousands(bytes).c_str(), kZipLineBytes));
            return false;
        }
        if (text.size() > static_cast<size_t>(kTextSlotBytes)) {
            r.at(line, format_text(_("%s is %s bytes in UTF-8; the game keeps at most %d and would cut it short"),
                                   line_role(index).c_str(),
                                   with_thousands(static_cast<long long>(text.size())).c_str(), kTextSlotBytes));
            return false;
        }
        return true;
    }
    const long long limit = index == 0 ? kPzqNameSize : (index - 1) % 6 == 0 ? kPzqTextWidth : kPzqChoiceWidth;
    if (bytes > limit) {
        r.at(line, format_text(_("%s is %lld bytes in Shift-JIS; a .pzq file holds at most %lld (%lld full-width "
                                 "characters); shorten it or pack a ZIP set"),
                               line_role(index).c_str(), bytes, limit, limit / 2));
        return false;
    }
    return true;
}

// Every check of one text, line `index` of the layout: not empty, no NUL,
// UTF-8, Shift-JIS, the size. Reports the first problem it finds.
void check_line(const Reporter &r, size_t index, const SourceLine &line, const std::string &text, PackFormat format)
{
    if (text.empty()) {
        if (line.cell)
            r.at(line,
                 format_text(_("empty cell where %s belongs; the game would show an empty text: write the missing "
                               "text"),
                             line_role(index).c_str()));
        else
            r.at(line, format_text(_("empty line where %s belongs; the game would read an empty text and every later "
                                     "line would shift: remove it, or write the missing text"),
                                   line_role(index).c_str()));
        return;
    }
    if (text.find('\0') != std::string::npos) {
        r.at(line, format_text(_("holds a NUL byte at %s; the game would end the text there"),
                               place(line, text.find('\0') + 1).c_str()));
        return;
    }
    const auto control = std::find_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F;
    });
    if (control != text.end()) {
        char code[8];
        snprintf(code, sizeof code, "U+%04X", static_cast<unsigned char>(*control));
        const auto before = std::count_if(text.begin(), control, [](char c) { return (c & 0xC0) != 0x80; });
        r.at(line, format_text(_("%s: control character %s; a text holds no control character but tab (the game shows "
                                 "it as a box): remove it"),
                               place(line, static_cast<size_t>(before) + 1).c_str(), code));
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
            r.at(line, format_text(why, place(line, column).c_str(), hex));
            return;
        }
        k += n;
    }
    std::string sjis;
    if (encode_line(r, line, text, sjis)) check_size(r, index, line, text, sjis.size(), format);
}

// The question limit of the chosen kind of set.
void check_question_count(const Reporter &r, long long questions, PackFormat format)
{
    const int limit = format == PackFormat::Zip ? kZipMaxQuestions : kPzqMaxQuestions;
    if (questions > limit) {
        r.whole(
            format_text(format == PackFormat::Zip
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
        problems.push_back(format_text(
            _("%s:1: begins with a UTF-8 byte-order mark; save the file as UTF-8 without a BOM"), path.c_str()));
        start = 3;
    }
    // Split as the game does (LF ends a line, CR is dropped wherever it
    // stands), without its 511-byte pieces or its 1,024-line limit: those are
    // the sizes checked below. No more lines are taken than one question
    // past the largest genre (enough to say by how many questions it is too
    // long); after them only line ends may follow.
    TextLines split = split_text_lines(data.data() + start, data.size() - start, 0, kMaxLayoutLines + 6);
    if (split.moreAfterLimit) {
        r.whole(format_text(_("more than %s lines; a genre holds at most %s questions (1 + 6 × 32,767 lines): split it "
                              "into two genres"),
                            with_thousands(static_cast<long long>(kMaxLayoutLines + 6)).c_str(),
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
    if (count < 7 || (count - 1) % 6 != 0) {
        const size_t below = count < 7 ? 7 : 1 + 6 * ((count - 1) / 6);
        const std::string last = excerpt(std::string(out.text(count - 1)));
        if (count < 7)
            r.at(out.lines[count - 1],
                 format_text(_("%zu lines (after dropping trailing empty lines); a genre needs 1 + 6 "
                               "× n lines: at least 7 (7, 13, 19, …). Line %zu is: %s"),
                             count, count, last.c_str()));
        else
            r.at(out.lines[count - 1],
                 format_text(_("%zu lines (after dropping trailing empty lines); a genre needs 1 + 6 "
                               "× n lines: %zu or %zu. Line %zu is: %s"),
                             count, below, below + 6, count, last.c_str()));
    } else {
        check_question_count(r, out.questions(), format);
    }
    return problems.size() == before;
}

// The file name without folder and extension. A backslash ends a folder as
// on Windows, on every system, so a name is the same wherever a set is packed.
std::string file_stem(const std::string &path)
{
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.rfind('.'));
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
    std::string out(s);
    for (char &c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

// A header row names the first two columns: both must be header words, so a
// real question is never taken for one (it would need the question "問題"
// with the right answer "正解").
bool is_header_row(const std::vector<std::string> &cells)
{
    static const char *const kQuestionWords[] = {"question", "問題", "問題文", "設問", "質問"};
    static const char *const kAnswerWords[] = {"answer", "correct", "correct answer", "right answer",
                                               "正解",   "答え",    "解答",           "正答"};
    if (cells.size() < 2) return false;
    const std::string q = header_word(cells[0]), a = header_word(cells[1]);
    bool question = false, answer = false;
    for (const char *w : kQuestionWords) question = question || q == w;
    for (const char *w : kAnswerWords) answer = answer || a == w;
    return question && answer;
}

bool row_empty(const TableRow &row)
{
    for (const std::string &c : row.cells)
        if (!c.empty()) return false;
    return true;
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
    switch ((index - 1) % 6) {
    case 0: return _("the question");
    case 1: return _("the right answer");
    default: return format_text(_("wrong answer %zu"), (index - 1) % 6 - 1);
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

bool genre_table_kind(const std::string &path, TableKind *kind)
{
    if (path.size() < 4 || path[path.size() - 4] != '.') return false;
    std::string ext = path.substr(path.size() - 3);
    for (char &c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext != "csv" && ext != "tsv") return false;
    *kind = ext == "csv" ? TableKind::Csv : TableKind::Tsv;
    return true;
}

bool genre_from_table(const std::string &path, std::string_view data, TableKind kind, const std::string &name,
                      PackFormat format, GenreSource &out, std::vector<std::string> &problems)
{
    const size_t before = problems.size();
    Reporter r{path, problems};
    out.path = path;
    out.lines.clear();
    out.texts.clear();
    out.shiftJis = false;
    out.warnings.clear();

    if (data.substr(0, 2) == "\xFF\xFE" || data.substr(0, 2) == "\xFE\xFF") {
        r.whole(_("is UTF-16 (a spreadsheet's \"Unicode text\"); save it as CSV in UTF-8"));
        return false;
    }
    const bool bom = data.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) data.remove_prefix(3);
    std::string decoded;
    if (!utf8_valid(data.data(), data.size())) {
        if (!bom && cp932_decode(data, &decoded)) {
            data = decoded;
            out.shiftJis = true;
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
            bad.reason =
                format_text(_("%s; a genre holds at most %s questions, below a header row: split the table into "
                              "two genres"),
                            bad.reason.c_str(), with_thousands(kPzqMaxQuestions).c_str());
        problems.push_back(path + ":" + std::to_string(bad.row) + ":" + std::to_string(bad.column) + ": " + bad.reason);
        return false;
    }

    const std::string stem = file_stem(path);
    out.add(name.empty() ? stem : name, name.empty() ? 0 : -1, 0, true);
    if (out.lines[0].size == 0) {
        r.whole(_("the file name gives no genre name; give pack --name NAME"));
    } else {
        const size_t mark = problems.size();
        check_line(r, 0, out.lines[0], std::string(out.text(0)), format);
        if (problems.size() > mark && name.empty())
            r.whole(
                _("the genre name is the file's name without folder and extension; rename the file, or give pack "
                  "--name NAME"));
    }

    while (!rows.empty() && row_empty(rows.back())) rows.pop_back();
    const size_t first = !rows.empty() && is_header_row(rows[0].cells) ? 1 : 0;
    if (first == rows.size()) {
        r.whole(first ? _("holds no questions below its header row; a table holds one question per row: question, "
                          "right answer, four wrong answers")
                      : _("holds no questions; a table holds one question per row: question, right answer, four "
                          "wrong answers"));
        return false;
    }
    out.lines.reserve(1 + 6 * (rows.size() - first));  // exactly: pack holds eight genres at once
    size_t bytes = out.texts.size();
    for (size_t k = first; k < rows.size(); ++k)
        for (const std::string &c : rows[k].cells) bytes += c.size() + 1;
    out.texts.reserve(bytes);
    for (size_t k = first; k < rows.size(); ++k) {
        TableRow &row = rows[k];
        const std::string where = path + ":" + std::to_string(row.row);
        size_t mark = problems.size();
        if (row_empty(row)) {
            problems.push_back(format_text(_("%s: empty row; write the question that belongs here, or remove the row"),
                                           where.c_str()));
        } else if (row.cells.size() != 6) {
            problems.push_back(format_text(P_("%s: %zu cell; a row holds 6: the question, the right answer and four "
                                              "wrong answers",
                                              "%s: %zu cells; a row holds 6: the question, the right answer and four "
                                              "wrong answers",
                                              row.cells.size()),
                                           where.c_str(), row.cells.size()));
        } else {
            for (size_t c = 0; c < 6; ++c) {
                out.add(row.cells[c], row.row, static_cast<unsigned short>(c + 1), true);
                check_line(r, 1 + 6 * (k - first) + c, out.lines.back(), row.cells[c], format);
                if (!r.more(mark)) return false;
                mark = problems.size();
            }
            continue;
        }
        if (!r.more(mark)) return false;
    }
    check_question_count(r, static_cast<long long>(rows.size() - first), format);
    return problems.size() == before;
}

bool read_genre_source(const std::string &path, PackFormat format, const std::string &name, GenreSource &out,
                       std::vector<std::string> &problems)
{
    out.path = path;
    out.lines.clear();
    out.texts.clear();
    out.shiftJis = false;
    out.warnings.clear();
    TableKind kind = TableKind::Csv;
    const bool table = genre_table_kind(path, &kind);

    // The longest source any set can take: a byte-order mark, then the name
    // and 32,767 questions, every line of the longest text and CR LF. A table
    // may hold a header row and write every text quoted with its quotes
    // doubled. Longer files are refused unread.
    constexpr uint64_t kLongestSource = 3 + (1 + 6ull * kPzqMaxQuestions) * (kTextSlotBytes + 2);
    constexpr uint64_t kLongestTable = 3 + (1 + kPzqMaxQuestions) * (6ull * (2 * kTextSlotBytes + 3) + 2);
    std::string data, why;
    if (!win_read_file(path.c_str(), table ? kLongestTable : kLongestSource, &data, &why)) {
        problems.push_back(path + ": " + why);
        return false;
    }
    if (table) return genre_from_table(path, data, kind, name, format, out, problems);
    return read_text_genre(path, data, format, out, problems);
}
