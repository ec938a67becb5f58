// Reading a UTF-8 genre file: line splitting as the game does it (CRs dropped,
// trailing empty lines ignored), UTF-8 validation, strict code page 932, and
// the layout and size rules of the chosen kind of set.
#include "genre_source.h"

#include <cstdio>
#include <cstring>

#include "codepage.h"
#include "format.h"
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
    {"¢", "￠"}, {"£", "￡"}, {"¥", "\\"}, {"¬", "￢"}, {"—", "―"},
    {"‖", "∥"}, {"‾", "~"},  {"−", "－"}, {"〜", "～"},
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

struct Reporter {
    const std::string &path;
    std::vector<std::string> &problems;
    void at(size_t index, const std::string &reason) const
    {
        problems.push_back(path + ":" + std::to_string(index + 1) + ": " + reason);
    }
    void whole(const std::string &reason) const { problems.push_back(path + ": " + reason); }
};

// Converts one valid UTF-8 line, explaining the first character that cannot
// be held or would come back changed.
bool encode_line(const Reporter &r, size_t index, SourceLine &line)
{
    if (utf8_to_cp932_strict(line.text, line.sjis)) return true;
    size_t column = 1;
    for (size_t i = 0; i < line.text.size(); ++column) {
        const std::string ch = line.text.substr(i, utf8_sequence(line.text, i));
        i += ch.size();
        std::string sjis, back;
        const bool encoded = cp932_encode(ch, &sjis);
        if (encoded && cp932_decode(sjis, &back) && back == ch) continue;
        const char *shown = look_alike(ch);
        if (!encoded && !shown) {
            r.at(index, "column " + std::to_string(column) + ": " + describe(ch) +
                            " has no Shift-JIS (code page 932) form; write it another way");
            return false;
        }
        if (shown) back = shown;
        r.at(index, "column " + std::to_string(column) + ": " + describe(ch) + " would show as " +
                        (back.empty() ? std::string("something else") : describe(back)) +
                        " in the game; write " + (back.empty() ? std::string("another character") : back) +
                        " instead");
        return false;
    }
    r.at(index, "cannot be converted to Shift-JIS (code page 932)");
    return false;
}

// The size rule for line `index` of the layout in the chosen kind of set.
bool check_size(const Reporter &r, size_t index, const SourceLine &line, PackFormat format)
{
    const auto bytes = static_cast<long long>(line.sjis.size());
    if (format == PackFormat::Zip) {
        if (bytes > kZipLineBytes) {
            r.at(index, line_role(index) + " is " + with_thousands(bytes) + " bytes in Shift-JIS; a line of a ZIP set holds at most " +
                            std::to_string(kZipLineBytes) + " (the game splits longer lines, which shifts every line after it)");
            return false;
        }
        if (line.text.size() > static_cast<size_t>(kTextSlotBytes)) {
            r.at(index, line_role(index) + " is " + with_thousands(static_cast<long long>(line.text.size())) +
                            " bytes in UTF-8; the game keeps at most " + std::to_string(kTextSlotBytes) +
                            " and would cut it short");
            return false;
        }
        return true;
    }
    const long long limit = index == 0 ? kPzqNameSize : (index - 1) % 6 == 0 ? kPzqTextWidth : kPzqChoiceWidth;
    if (bytes > limit) {
        r.at(index, line_role(index) + " is " + std::to_string(bytes) + " bytes in Shift-JIS; a .pzq file holds at most " +
                        std::to_string(limit) + " (" + std::to_string(limit / 2) +
                        " full-width characters); shorten it or pack a ZIP set");
        return false;
    }
    return true;
}

}  // namespace

bool utf8_to_cp932_strict(const std::string &utf8, std::string &sjis)
{
    std::string back;
    return cp932_encode(utf8, &sjis) && cp932_decode(sjis, &back) && back == utf8;
}

std::string line_role(size_t index)
{
    if (index == 0) return "the genre name";
    switch ((index - 1) % 6) {
    case 0: return "the question";
    case 1: return "the right answer";
    default: return "wrong answer " + std::to_string((index - 1) % 6 - 1);
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

bool read_genre_source(const std::string &path, PackFormat format, GenreSource &out, std::vector<std::string> &problems)
{
    const size_t before = problems.size();
    const Reporter r{path, problems};
    out.path = path;
    out.lines.clear();

    // The longest source any set can take: a byte-order mark, then the name
    // and 32,767 questions, every line of the longest text and CR LF. Longer
    // files are refused unread.
    constexpr uint64_t kLongestSource = 3 + (1 + 6ull * kPzqMaxQuestions) * (kTextSlotBytes + 2);
    std::string data, why;
    if (!win_read_file(path.c_str(), kLongestSource, &data, &why)) {
        r.whole(why);
        return false;
    }

    size_t start = 0;
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        r.at(0, "begins with a UTF-8 byte-order mark; save the file as UTF-8 without a BOM");
        start = 3;
    }
    // Split as the game does (LF ends a line, CR is dropped wherever it
    // stands), without its 511-byte pieces or its 1,024-line limit: those are
    // the sizes checked below. Line i is then physical line i + 1.
    for (TextLine &line : split_text_lines(data.data() + start, data.size() - start, 0, 0).lines)
        out.lines.push_back({std::move(line.text), {}});
    while (!out.lines.empty() && out.lines.back().text.empty()) out.lines.pop_back();

    if (out.lines.empty()) {
        r.whole("the file holds no text; a genre is a name line, then six lines per question");
        return false;
    }

    constexpr size_t kMaxListed = 20;
    size_t lineProblems = 0;
    for (size_t i = 0; i < out.lines.size(); ++i) {
        SourceLine &line = out.lines[i];
        const size_t mark = problems.size();
        if (line.text.empty()) {
            r.at(i, "empty line where " + line_role(i) + " belongs; the game would read an empty text and every later "
                    "line would shift: remove it, or write the missing text");
        } else if (line.text.find('\0') != std::string::npos) {
            r.at(i, "holds a NUL byte at column " + std::to_string(line.text.find('\0') + 1) +
                        "; the game would end the text there");
        } else {
            size_t bad = std::string::npos, column = 1;
            for (size_t k = 0; k < line.text.size(); ++column) {
                const size_t n = utf8_sequence(line.text, k);
                if (n == 0) {
                    bad = k;
                    break;
                }
                k += n;
            }
            if (bad != std::string::npos) {
                char hex[8];
                snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(line.text[bad]));
                std::string sjis;
                const bool looksSjis = cp932_decode(line.text, &sjis);
                r.at(i, "column " + std::to_string(column) + ": byte " + hex + " is not UTF-8" +
                            (looksSjis ? "; the file looks like Shift-JIS: save it as UTF-8, pack converts it"
                                       : "; save the file as UTF-8"));
            } else if (encode_line(r, i, line)) {
                check_size(r, i, line, format);
            }
        }
        if (problems.size() > mark && ++lineProblems == kMaxListed) {
            r.whole("more problems not listed; fix these first");
            break;
        }
    }

    const size_t count = out.lines.size();
    if (count < 7 || (count - 1) % 6 != 0) {
        const size_t below = count < 7 ? 7 : 1 + 6 * ((count - 1) / 6);
        std::string need = count < 7 ? "at least 7 (7, 13, 19, …)" : std::to_string(below) + " or " + std::to_string(below + 6);
        r.at(count - 1, std::to_string(count) + " lines (after dropping trailing empty lines); a genre needs 1 + 6 × n lines: " +
                            need + ". Line " + std::to_string(count) + " is: " + excerpt(out.lines[count - 1].text));
    } else {
        const int q = out.questions();
        const int limit = format == PackFormat::Zip ? kZipMaxQuestions : kPzqMaxQuestions;
        if (q > limit) {
            r.whole(with_thousands(q) + " questions; a genre holds at most " + with_thousands(limit) +
                    (format == PackFormat::Zip ? " in a ZIP set (the game reads 1,024 lines of a member); split it into two genres"
                                               : " in a .pzq file; split it into two genres"));
        }
    }
    return problems.size() == before;
}
