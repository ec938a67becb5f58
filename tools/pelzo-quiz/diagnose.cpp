// SPDX-License-Identifier: MIT
// A second, independent reading of a file the game's loader refused. Every
// header field read here is bounds-checked against the file's size.
#include "diagnose.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ascii.h"
#include "codepage.h"
#include "format.h"
#include "i18n.h"
#include "pzq_format.h"
#include "quiz_load.h"
#include "report.h"
#include "sys.h"
#include "text_lines.h"
#include "utf8.h"
#include "zip_reader.h"

namespace {

constexpr int kMaxListed = 5;  // examples shown per kind of problem

void say(const char *fmt, ...) PELZO_PRINTF(1, 2);
void say(const char *fmt, ...)
{
    // Messages quote names and lines of the set: formatted first, then
    // reported, which escapes their control characters.
    va_list ap;
    va_start(ap, fmt);
    const std::string line = vformatted(fmt, ap);
    va_end(ap);
    report_text(line);
}

// Reads at most `limit` bytes from the start of the file into data; on failure
// says why and returns true.
bool cannot_read(const char *path, uint64_t limit, std::string &data, uint64_t *size = nullptr)
{
    std::string why;
    if (sys_read_head(path, limit, &data, size, &why)) return false;
    say("%s: %s", path, why.c_str());
    return true;
}

uint32_t le16(const std::string &d, size_t at)
{
    return static_cast<unsigned char>(d[at]) | (static_cast<unsigned char>(d[at + 1]) << 8);
}

std::string printable(const std::string &s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// ---- binary .pzq ----

bool has_magic(const std::string &d, size_t record)
{
    const size_t at = record * kPzqRecordSize + kPzqMagicOffset;
    return d.size() >= at + kPzqMagicSize && pzq_is_magic(d.data() + at);
}

int pzq_count(const std::string &d, int genre)
{
    return static_cast<int16_t>(le16(d, static_cast<size_t>(genre) * kPzqRecordSize + kPzqCountOffset));
}

void diagnose_pzq(const char *path, LoadFailure failure)
{
    std::string d;
    if (failure == LoadFailure::PzqOpen) {
        std::string why;
        if (FILE *fp = sys_open_regular(path, nullptr, &why))
            fclose(fp);
        else
            say("%s: %s", path, why.c_str());
        return;
    }
    if (cannot_read(path, kPzqLargestFile, d)) return;

    if (failure == LoadFailure::PzqHeader) {
        if (zip_starts_like_archive(d.data(), d.size()))
            say(_("%s: this is a ZIP archive; give it a name that does not end in .pzq"), path);
        if (d.size() < kPzqHeaderSize) {
            say(_("%s: the file is %zu bytes; the genre header alone needs %d (8 records of %d bytes)"), path, d.size(),
                kPzqHeaderSize, kPzqRecordSize);
            return;
        }
        if (!has_magic(d, 0)) {
            say(_("%s: record 0 holds \"%s\" at byte offset %d; a quiz file carries \"%s\" or \"%s\" there"), path,
                printable(d.substr(kPzqMagicOffset, kPzqMagicSize)).c_str(), kPzqMagicOffset, kPzqMagic,
                kPzqMagicOther);
            for (size_t r = 1; r < 8; ++r)
                if (has_magic(d, r))
                    say(_("%s: the magic is in record %zu (byte offset %zu), but only record 0 counts"), path, r,
                        r * kPzqRecordSize + kPzqMagicOffset);
            return;
        }
        for (int g = 0; g < 8; ++g)
            if (pzq_count(d, g) < 0)
                say(_("%s: genre %d has a negative question count, %d, at byte offset %d"), path, g, pzq_count(d, g),
                    g * kPzqRecordSize + kPzqCountOffset);
        return;
    }
    if (d.size() < kPzqHeaderSize) return;

    long long total = 0;
    for (int g = 0; g < 8; ++g) total += pzq_count(d, g);

    if (failure == LoadFailure::PzqBody) {
        const long long need = kPzqHeaderSize + total * kPzqRecordSize;
        say(_("%s: the header counts add up to %s questions, which need %s bytes (2,048 + %s × 256); the file has %s"),
            path, with_thousands(total).c_str(), with_thousands(need).c_str(), with_thousands(total).c_str(),
            with_thousands(static_cast<long long>(d.size())).c_str());
        const long long record = (static_cast<long long>(d.size()) - kPzqHeaderSize) / kPzqRecordSize;
        long long first = 0;
        for (int g = 0; g < 8; ++g) {
            const int count = pzq_count(d, g);
            if (record < first + count) {
                const long long begin = kPzqHeaderSize + record * kPzqRecordSize;
                const std::string end = with_thousands(static_cast<long long>(d.size()));
                if (static_cast<long long>(d.size()) > begin)
                    say(_("%s: record %lld of genre %d (question record %lld, from byte %s) is cut short at byte %s, "
                          "where "
                          "the file ends"),
                        path, record - first, g, record, with_thousands(begin).c_str(), end.c_str());
                else
                    say(_("%s: record %lld of genre %d (question record %lld) is missing: the file ends at byte %s, "
                          "where "
                          "it should begin"),
                        path, record - first, g, record, end.c_str());
                break;
            }
            first += count;
        }
        say(_("%s: the file may be a truncated download, or its counts may be wrong"), path);
    } else if (failure == LoadFailure::PzqEmpty) {
        say(_("%s: all eight genre counts (byte offset 18 of each 256-byte header record) are 0"), path);
    } else if (failure == LoadFailure::StatusAlloc || failure == LoadFailure::GenreAlloc) {
        say(_("%s: the header asks for %lld questions (%lld MB of answers once converted); not enough memory"), path,
            total, total * 3072 / (1024 * 1024));
    }
}

// ---- ZIP ----

const char *method_name(uint32_t m)
{
    switch (m) {
    case 1: return "Shrink";
    case 6: return "Implode";
    case 9: return "Deflate64";
    case 12: return "BZIP2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "xz";
    case 98: return "PPMd";
    case 99: return _("AES encryption");
    default: return _("an unknown method");
    }
}

bool valid_utf8_with_multibyte(const std::string &s)
{
    const bool multi = std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return multi && utf8_valid(s.data(), s.size());
}

// The first line (1-based) holding a multi-byte UTF-8 character, for a member
// that is valid UTF-8 throughout; 0 otherwise.
int first_utf8_line(const std::string &s)
{
    if (!valid_utf8_with_multibyte(s)) return 0;
    int line = 1;
    for (unsigned char c : s) {
        if (c == '\n') ++line;
        if (c >= 0x80) return line;
    }
    return 0;
}

// Says what the author should fix when a member is UTF-8 or carries a BOM.
// Returns true when it said something.
// bomMessage names the member (%s), utf8Message the member and the line (%d).
bool say_encoding(const char *member, const std::string &data, const char *bomMessage, const char *utf8Message)
{
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        say(bomMessage, member);
        return true;
    }
    if (const int line = first_utf8_line(data)) {
        say(utf8Message, member, line);
        return true;
    }
    return false;
}

// A line of a member as an author would recognise it: UTF-8 shown as it is,
// Shift-JIS converted as the game converts it, control bytes as spaces, cut
// after 60 characters.
std::string shown_line(const std::string &line, bool memberIsUtf8)
{
    std::string text = line.substr(0, 400);
    if (!memberIsUtf8) {
        char utf8[kTextSize];
        win_sjis_to_utf8(text.c_str(), utf8, kTextSize);
        text = utf8;
    }
    std::string out;
    size_t chars = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c & 0xC0) != 0x80 && ++chars > 60) return out + "…";
        out += c < 0x20 ? ' ' : ch;
    }
    return out;
}

// Explains why a member's lines break the layout, splitting them the way the
// loader does while keeping the physical line numbers.
void diagnose_member_text(const std::string &member, const std::string &data)
{
    const char *m = member.c_str();
    if (data.empty()) {
        say(_("%s: the member is empty"), m);
        return;
    }
    say_encoding(m, data,
                 _("%s line 1 begins with a UTF-8 byte-order mark; save it as Shift-JIS (code page 932), or write it "
                   "in UTF-8 and build the set with pelzo-quiz pack, which converts it"),
                 _("%s line %d is UTF-8, not Shift-JIS; save it as Shift-JIS (code page 932), or write it in UTF-8 and "
                   "build the set with pelzo-quiz pack, which converts it"));
    const bool isUtf8 = valid_utf8_with_multibyte(data);

    // The game's own split, with the physical line of every line it keeps.
    TextLines split = split_text_lines(data.data(), data.size(), kMemberLineBytes, kMemberMaxLines);
    drop_trailing_empty_lines(split);
    const std::vector<TextLine> &table = split.lines;
    const std::vector<std::pair<int, size_t>> &longLines = split.longLines;
    const bool moreContent = split.moreAfterLimit;
    const size_t count = table.size();
    const long lines = static_cast<long>(count);
    if (lines >= 7 && (lines - 1) % kLinesPerQuestion == 0) {
        say(_("%s: its %ld lines make %ld questions, but there was not enough memory for them"), m, lines,
            (lines - 1) / kLinesPerQuestion);
        return;
    }
    std::string need;
    if (lines < 7) {
        need = _("at least 7 (7, 13, 19, …)");
    } else {
        const long below = 1 + kLinesPerQuestion * ((lines - 1) / kLinesPerQuestion);
        need = below + 6 <= 1021 ? formatted(_("%ld or %ld"), below, below + 6) : std::to_string(below);
    }
    std::string last;
    if (count > 0)
        last = formatted(_(" Line %d is: %s"), table[count - 1].physical,
                         shown_line(table[count - 1].text, isUtf8).c_str());
    say(_("%s: %ld lines (after dropping trailing empty lines); a genre needs 1 + 6 × n lines: %s.%s"), m, lines,
        need.c_str(), last.c_str());
    for (size_t k = 0; k < longLines.size() && k < kMaxListed; ++k) {
        if (longLines[k].second == 511)
            say(_("%s: line %d is 511 bytes; the game ends a line after 511 bytes, so its line end then makes an extra "
                  "empty line: shorten it to 510"),
                m, longLines[k].first);
        else
            say(_("%s: line %d is %zu bytes; a line holds at most 511, and the rest counts as a line of its own"), m,
                longLines[k].first, longLines[k].second);
    }
    if (moreContent) say(_("%s: only the first 1024 lines are read (at most 170 questions per genre)"), m);
    int listed = 0;
    for (size_t k = 0; k < count && listed < kMaxListed; ++k) {
        if (table[k].text.empty() || table[k].text[0] == '\0') {
            say(_("%s: line %d is empty; an empty line inside the set shifts every line after it"), m,
                table[k].physical);
            ++listed;
        }
    }
}

// An archive read once, for as long as the diagnosis runs (empty when the file
// is no archive).
struct OpenArchive {
    ZipArchive archive;
    explicit OpenArchive(const char *path) { zip_open(path, &archive); }
    ~OpenArchive() { zip_close(&archive); }
    OpenArchive(const OpenArchive &) = delete;
    OpenArchive &operator=(const OpenArchive &) = delete;
};

// The members a walk judges: the genres' (the loader reads no other).
const std::vector<std::string> &genre_member_names()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (int k = 0; k < kMaxGenres; ++k) all.push_back(genre_member_name(k));
        return all;
    }();
    return names;
}

// The member the reader takes for genre k: the first one found by that name.
const ZipMemberReport *genre_member(const ZipWalk &walk, int k)
{
    const std::string name = genre_member_name(k);
    for (const ZipMemberReport &m : walk.members)
        if (m.baseName == name) return &m;
    return nullptr;
}

// Why a member the reader found cannot be read; "" when it can.
std::string unreadable_reason(const ZipMemberReport &m)
{
    char crc[16];
    snprintf(crc, sizeof crc, "0x%08X", m.crc);
    switch (m.state) {
    case ZipMemberState::Readable: return "";
    case ZipMemberState::Unsupported:
        return formatted(_("it is compressed with %s (method %u); the game reads only stored or deflated members"),
                         method_name(m.method), m.method);
    case ZipMemberState::Encrypted:
        return _("the member is encrypted; the game reads no encrypted member: build the set again without a password");
    case ZipMemberState::DataPastEnd: return _("its data reaches past the end of the file: the archive is truncated");
    case ZipMemberState::TooLarge:
        return formatted(_("it claims %s bytes; a member holds at most 67,108,864 (64 MiB)"),
                         with_thousands(static_cast<long long>(m.uncompressed)).c_str());
    case ZipMemberState::Damaged: return _("its deflate data is damaged: the archive is damaged");
    case ZipMemberState::BadCrc:
        return formatted(_("bad CRC: its bytes do not match the CRC-32 %s the archive gives for them; the archive is "
                           "damaged"),
                         crc);
    }
    return "";
}

std::string where(const ZipMemberReport &m)
{
    return formatted(_("%s (byte offset %s)"), printable(m.name).c_str(),
                     with_thousands(static_cast<long long>(m.offset)).c_str());
}

// Where and why the walk over the archive stopped before its end, if it did.
void say_walk_end(const char *path, const ZipWalk &walk, uint64_t size)
{
    const std::string at = with_thousands(static_cast<long long>(walk.stoppedAt));
    if (walk.end == ZipWalkEnd::HeaderCut)
        say(_("%s: the member at byte offset %s reaches past the end of the file (%s bytes)"), path, at.c_str(),
            with_thousands(static_cast<long long>(size)).c_str());
    else if (walk.end == ZipWalkEnd::SizesUnknown)
        say(_("%s: the member at byte offset %s gives its sizes in a data descriptor, and the archive has no central "
              "directory to find them in: the archive is truncated"),
            path, at.c_str());
}

// The last part of a split archive, or the first: named as such, with how to
// join the parts. True when it said so.
bool say_split(const char *path, const ZipWalk &walk)
{
    if (walk.thisDisk > 0) {
        say(_("%s: this is the last part of an archive split into %u files (.z01, .z02, …, .zip); join them with "
              "\"zip -s 0 %s --out whole.zip\" and load the joined archive"),
            path, walk.thisDisk + 1, path);
        return true;
    }
    if (walk.splitMarker) {
        say(_("%s: this is the first part of a split archive (.z01); join the parts with \"zip -s 0 SET.zip --out "
              "whole.zip\", run on the last part, and load the joined archive"),
            path);
        return true;
    }
    return false;
}

// Explains a failed load of the ZIP branch from the archive the load read
// (empty when the loader refused the file as no archive: then its first
// bytes are read, which is all that takes).
void diagnose_zip(const char *path, const LoadOutcome &outcome, const ZipArchive &archive)
{
    std::string d;
    uint64_t size = archive.size;
    if (!archive.bytes && cannot_read(path, 1 << 20, d, &size)) return;
    const ZipWalk walk = archive.bytes ? zip_walk(&archive, &genre_member_names())
                                       : zip_walk_bytes(reinterpret_cast<const unsigned char *>(d.data()), d.size(),
                                                        &genre_member_names());

    if (outcome.failure == LoadFailure::FormatError) {
        const std::string member = genre_member_name(outcome.genre);
        unsigned char *data = nullptr;
        uint32_t length = 0;
        if (zip_read_member(&archive, member.c_str(), &data, &length) == 0) {
            diagnose_member_text(member, std::string(reinterpret_cast<const char *>(data), length));
            zip_free(data);
        }
        return;
    }

    if (outcome.failure == LoadFailure::Compressed) {
        if (const ZipMemberReport *m = genre_member(walk, outcome.genre)) {
            const std::string at = m->name == m->baseName ? "" : formatted(_(" (at %s)"), printable(m->name).c_str());
            say(_("member %s%s is compressed with %s (method %u); the game reads only stored or deflated members: "
                  "rebuild the set with pelzo-quiz pack, or with zip's default deflate"),
                m->baseName.c_str(), at.c_str(), method_name(m->method), m->method);
        }
        return;
    }

    // Nothing readable: say why the walk found no member.
    if (size == 0) {
        say(_("%s: the file is empty"), path);
        return;
    }
    if (!archive.bytes) {
        if (say_split(path, walk)) return;
        if (walk.firstHeaderAt != UINT64_MAX && walk.firstHeaderAt > 0)
            say(_("%s: the first ZIP member starts at byte offset %llu; the archive must begin with it (remove the "
                  "%llu "
                  "bytes before it, such as a self-extracting stub)"),
                path, static_cast<unsigned long long>(walk.firstHeaderAt),
                static_cast<unsigned long long>(walk.firstHeaderAt));
        else if (has_magic(d, 0))
            say(_("%s: this is a binary quiz file; name it with the .pzq extension"), path);
        else
            say(_("%s: not a ZIP archive: it does not begin with a local file header (\"PK\\x03\\x04\")"), path);
        return;
    }
    if (say_split(path, walk)) return;
    if (!walk.hasCentralDirectory)
        say(_("%s: the archive is truncated: it has no end-of-central-directory record"), path);

    bool anyQtext = false;
    for (int k = 0; k < kMaxGenres; ++k) {
        if (const ZipMemberReport *m = genre_member(walk, k)) {
            anyQtext = true;
            say("%s: %s", where(*m).c_str(), unreadable_reason(*m).c_str());
        }
    }
    if (anyQtext) return;
    say_walk_end(path, walk, size);
    if (walk.end == ZipWalkEnd::HeaderCut || walk.end == ZipWalkEnd::SizesUnknown) return;

    say(_("%s: the archive holds no member named qtext_0.txt to qtext_7.txt"), path);
    std::string names;
    int listed = 0;
    for (const ZipMemberReport &m : walk.members) {
        const std::string lower = ascii_lower(m.baseName);
        if (lower != m.baseName && lower.rfind(kGenreMemberPrefix, 0) == 0)
            say(_("%s: member names are case-sensitive; write it in lower case"), printable(m.name).c_str());
        else if (m.baseName.rfind(kGenreMemberPrefix, 0) == 0)
            say(_("%s: only qtext_0.txt to qtext_7.txt are read"), printable(m.name).c_str());
        if (listed < 10) names += (listed ? ", " : "") + printable(m.name);
        ++listed;
    }
    if (listed == 0)
        say(_("%s: the archive holds no members"), path);
    else
        say(_("%s: members found: %s%s"), path, names.c_str(), listed > 10 ? ", ..." : "");
}

}  // namespace

namespace {

void warn_about_archive(const ZipArchive &archive)
{
    const ZipWalk walk = zip_walk(&archive, &genre_member_names());
    if (!walk.hasCentralDirectory)
        say(_("warning: the archive is truncated (it has no end-of-central-directory record): %d of the genres could "
              "be "
              "read"),
            g_genreCount);
    char member[kGenreMemberNameSize];
    for (int k = 0; k < kMaxGenres; ++k) {
        const ZipMemberReport *m = genre_member(walk, k);
        if (m && m->state != ZipMemberState::Readable) {
            say(_("warning: %s: %s; that genre is left out"), where(*m).c_str(), unreadable_reason(*m).c_str());
            continue;
        }
        unsigned char *data = nullptr;
        uint32_t size = 0;
        if (read_genre_member(archive, k, member, &data, &size) != 0) continue;
        const std::string text(reinterpret_cast<const char *>(data), size);
        zip_free(data);
        say_encoding(member, text,
                     _("warning: %s line 1 begins with a UTF-8 byte-order mark; its text will show garbled; build the "
                       "set with pelzo-quiz pack"),
                     _("warning: %s line %d is UTF-8, not Shift-JIS; its text will show garbled; build the set with "
                       "pelzo-quiz pack"));
    }
}

}  // namespace

void warn_after_load(const char *path)
{
    if (!path || is_pzq_path(path)) return;
    OpenArchive open(path);
    warn_about_archive(open.archive);
}

void diagnose_failure(const char *path)
{
    const LoadOutcome &outcome = last_load_outcome();
    if (!path || outcome.failure == LoadFailure::None) return;
    if (is_pzq_path(path)) {
        diagnose_pzq(path, outcome.failure);
        return;
    }
    OpenArchive open(path);
    diagnose_zip(path, outcome, open.archive);
}

bool load_and_explain(const char *path)
{
    if (is_pzq_path(path)) {
        if (load_pzq_set(path)) return true;
        report_text(g_errorMsg);  // the game's own words, in both languages
        diagnose_pzq(path, last_load_outcome().failure);
        return false;
    }
    OpenArchive open(path);
    if (!load_zip_archive(open.archive)) {
        report_text(g_errorMsg);  // the game's own words, in both languages
        diagnose_zip(path, last_load_outcome(), open.archive);
        return false;
    }
    warn_about_archive(open.archive);
    return true;
}
