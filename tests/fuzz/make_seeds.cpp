// SPDX-License-Identifier: MIT
// make_seeds: writes the seed corpora of the fuzz targets into the folder given.
//
//     make_seeds OUT ZIP_FIXTURES
//
// One subfolder per target (zip, qtext, pzq, codepage, pipeline), made from:
// the ZIP fixtures in ZIP_FIXTURES (tests/fixtures/make_zip_fixtures.py writes
// them with the tools quiz authors use), the sample sets in data/samples, the
// sample sources converted to code page 932, and small inputs written here for
// the layouts and code-page cases the readers branch on. Those go through the
// game's own writers (zip_build_archive, pzq_write_*, cp932_encode); where a
// seed holds what the writer never writes (another magic), the writer's output
// is patched at the offsets pzq_format.h names. Inputs already saved under
// tests/fuzz/regressions/<target>/ are added too. The pipeline's inputs carry
// the branch byte its target reads first: 'Q' (odd) for the .pzq branch, 'Z'
// (even) for the ZIP branch. Each seed is named by the FNV-1a 64 hash of its
// bytes, so equal seeds are saved once.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "codepage.h"
#include "pzq_format.h"
#include "quiz_load.h"
#include "sys.h"
#include "zip_reader.h"
#include "zip_writer.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

using Seeds = std::vector<std::string>;

const fs::path kTop = PELZO_SOURCE_DIR;
const fs::path kSamples = kTop / "data" / "samples";
constexpr uint64_t kLargestInput = 64u << 20;

[[noreturn]] void die(const std::string &why)
{
    fprintf(stderr, "make_seeds: %s\n", why.c_str());
    exit(1);
}

std::string read_bytes(const fs::path &path)
{
    std::string bytes, why;
    if (!sys_read_file(path.string().c_str(), kLargestInput, &bytes, &why)) die(path.string() + ": " + why);
    return bytes;
}

// The files of a folder ending in `ext` ("" for all), by name, without dot
// files; none when the folder is absent.
std::vector<fs::path> files_in(const fs::path &folder, const std::string &ext)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && name[0] != '.' && name.size() >= ext.size() &&
            name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string cp932(const std::string &utf8)
{
    std::string sjis;
    if (!cp932_encode(utf8, &sjis)) die("no code page 932 form for: " + utf8);
    return sjis;
}

std::string repeat(const std::string &s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Split at every LF; the pieces hold no LF, and n LFs give n + 1 pieces.
std::vector<std::string> split_lines(const std::string &text)
{
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

// lines[from, to) joined with LF; the range is cut to the lines there are.
std::string join_lines(const std::vector<std::string> &lines, size_t from, size_t to)
{
    std::string out;
    for (size_t i = from; i < to && i < lines.size(); ++i) out += (i > from ? "\n" : "") + lines[i];
    return out;
}

// --- text members -----------------------------------------------------------

// The sample genres as CP932 member texts (LF line ends), in name order.
Seeds sample_members()
{
    Seeds members;
    for (const fs::path &path : files_in(kSamples / "src", ".txt")) members.push_back(cp932(read_bytes(path)));
    if (members.size() < 2) die("fewer than two sample sources in " + (kSamples / "src").string());
    return members;
}

Seeds qtext_seeds(const Seeds &members)
{
    Seeds seeds = members;
    std::string crlf;
    for (char c : members[0]) crlf += c == '\n' ? "\r\n"s : std::string(1, c);
    seeds.push_back(crlf);
    const std::vector<std::string> first = split_lines(members[0]);
    seeds.push_back(join_lines(first, 0, 7));  // one question, no final LF
    seeds.push_back(join_lines(first, 0, 6) + "\n");  // one line short
    seeds.push_back(join_lines(first, 0, 7) + "\n\n\n\n");  // trailing empty lines
    seeds.push_back(join_lines(first, 0, 3) + "\n\n" + join_lines(first, 4, 8) + "\n");  // empty line inside
    seeds.push_back("name\n" + repeat("\x83\x5c", 300) + "\nA\nB\nC\nD\nE\n");  // 600-byte line, 0x5C trails
    seeds.push_back("\x82\xa0\x82\n\x82\x20\n\x80\xa0\xfd\n\x85\x40\n\x87\x40\nx\ny\n"s);  // undecodable bytes
    std::string numbers;
    for (int i = 0; i < 1100; ++i) numbers += std::to_string(i) + "\n";  // past the line table
    seeds.push_back(numbers);
    seeds.push_back("");
    return seeds;
}

// --- ZIP archives -------------------------------------------------------------

std::string archive(const std::vector<ZipWriterMember> &members, bool store)
{
    std::string out;
    if (!zip_build_archive(members, store, out)) die("zip_build_archive refused a seed");
    return out;
}

Seeds zip_seeds(const Seeds &members, const fs::path &fixtures)
{
    Seeds seeds;
    for (const fs::path &path : files_in(fixtures, ".zip")) seeds.push_back(read_bytes(path));
    if (seeds.empty())
        fprintf(stderr, "make_seeds: no ZIP fixtures in %s; going on without them\n", fixtures.string().c_str());
    seeds.push_back(read_bytes(kSamples / "sample.zip"));
    const std::vector<ZipWriterMember> small = {
        {genre_member_name(0), join_lines(split_lines(members[0]), 0, 7) + "\n"},
        {"dir/" + genre_member_name(1), join_lines(split_lines(members[1]), 0, 13) + "\n"}};
    seeds.push_back(archive(small, true));
    seeds.push_back(archive(small, false));
    seeds.push_back(archive({{genre_member_name(0), ""}}, false));  // an empty member, deflated
    seeds.push_back(archive({}, true));  // the end record alone
    return seeds;
}

// --- .pzq files -----------------------------------------------------------------

struct Question {
    std::string text;
    std::array<std::string, 5> choices;
};

struct PzqGenre {
    std::string name;
    int count;  // as the header says, whatever the records
    std::vector<Question> questions;
};

// Up to eight genres' header records, then their question records, with the
// magic given in record 0.
std::string pzq(const std::vector<PzqGenre> &genres, const std::string &magic = kPzqMagic)
{
    std::array<int, kMaxGenres> counts{};
    std::array<std::string, kMaxGenres> names;
    std::string body;
    for (size_t g = 0; g < genres.size() && g < kMaxGenres; ++g) {
        names[g] = genres[g].name;
        counts[g] = genres[g].count;
        for (const Question &q : genres[g].questions) body += pzq_write_record(q.text, q.choices);
    }
    std::string out = pzq_write_header(counts, names);
    out.replace(kPzqMagicOffset, kPzqMagicSize, magic);  // the writer's own magic, or another
    return out + body;
}

Seeds pzq_seeds(const Seeds &members)
{
    Seeds seeds = {read_bytes(kSamples / "sample.pzq")};
    const std::vector<std::string> lines = split_lines(members[0]);
    if (lines.size() < 13) die("the first sample source holds fewer than two questions");
    const Question rec[2] = {{lines[1], {lines[2], lines[3], lines[4], lines[5], lines[6]}},
                             {lines[7], {lines[8], lines[9], lines[10], lines[11], lines[12]}}};
    const auto q = [&](int n) {
        std::vector<Question> out;
        for (int k = 0; k < n; ++k) out.push_back(rec[k % 2]);
        return out;
    };
    std::string wrongMagic = kPzqMagic;
    wrongMagic.back() = 'Z';
    seeds.push_back(pzq({{lines[0], 3, q(3)}, {"", 0, {}}, {"two", 2, q(2)}}));
    seeds.push_back(pzq({{"", 0, {}}, {lines[0], 4, q(4)}, {"", 0, {}}, {"B", 2, q(2)}}, kPzqMagicOther));
    seeds.push_back(pzq({{"odd", 1, {{"\x81\x20", {"\x01\x20", "\x02\x20", "\x80", std::string(28, ' '), "x"}}}}}));
    seeds.push_back(pzq({{"neg", -1, {}}}));
    seeds.push_back(pzq({{"short", 5, q(2)}}));  // counts past the end of the file
    seeds.push_back(pzq({}));  // header only, no questions
    seeds.push_back(pzq({{"x", 1, q(1)}}, wrongMagic));  // neither magic
    return seeds;
}

// --- code-page strings ------------------------------------------------------------

Seeds codepage_seeds(const Seeds &members)
{
    Seeds seeds;
    for (size_t m = 0; m < 2; ++m) {
        const std::vector<std::string> lines = split_lines(members[m]);
        for (size_t i = 0; i < 8 && i < lines.size(); ++i)
            if (!lines[i].empty()) seeds.push_back(lines[i]);
    }
    // UTF-8 for the other direction.
    const std::vector<std::string> utf8 = split_lines(read_bytes(files_in(kSamples / "src", ".txt")[0]));
    for (size_t i = 0; i < 4 && i < utf8.size(); ++i)
        if (!utf8[i].empty()) seeds.push_back(utf8[i]);
    const Seeds more = {cp932("①★☆〜【】"),
                        cp932("髙﨑ⅢソＡｱ"),
                        "ソ表能①～😀",
                        "\x82",
                        "\x82\x20",
                        "\x82\xa0\x82",
                        "\x85\x40",
                        "\x80\xa0\xfd\xfe\xff",
                        "\xc0\xaf\xe0\x80\xaf\xed\xa0\x80\xf4\x90\x80\x80",  // overlong, surrogate, past U+10FFFF
                        std::string(1100, 'A'),
                        repeat("あ", 400),
                        repeat("\x82\xa0", 1030)};
    seeds.insert(seeds.end(), more.begin(), more.end());
    return seeds;
}

// The table reader's seeds: the spreadsheet tables of the tests, and rows
// that quote, mark formulas, hold a header, a byte-order mark or Shift-JIS.
// The first byte picks CSV or TSV, limits and the kind of set.
Seeds table_seeds()
{
    Seeds tables;
    for (const fs::path &path : files_in(kTop / "tests" / "fixtures" / "csv", ".csv"))
        tables.push_back(read_bytes(path));
    const std::string row = "Q,R,W1,W2,W3,W4\r\n";
    tables.push_back("問題,正解,誤答1,誤答2,誤答3,誤答4\r\n" + row + row);
    tables.push_back("\xEF\xBB\xBF\"a,b\",\"say \"\"hi\"\"\",'=1+1,''x,'-2,@a\n" + row);
    tables.push_back(" \" x \" ,y ,,\n\n" + row + ",,,,,\n");
    tables.push_back("a\tb\tc\td\te\tf\n\"q\"\t'+x\t3\t4\t5\t6\n");
    tables.push_back(cp932("問題,正解,誤答1,誤答2,誤答3,誤答4\r\n富士山,日本,a,b,c,d\r\n"));
    tables.push_back("\"a\rb\",c\n\"open");
    Seeds seeds;
    for (const std::string &t : tables)
        for (char mode : {'\0', '\1', '\2', '\4'}) seeds.push_back(mode + t);
    return seeds;
}

// The workbook reader's seeds: the parts of the workbooks LibreOffice saved
// for the tests, each behind the byte that says which part it is.
Seeds workbook_seeds()
{
    Seeds seeds;
    const fs::path folder = kTop / "tests" / "fixtures" / "workbook";
    const std::pair<const char *, std::vector<std::string>> kinds[] = {
        {".ods", {"content.xml"}},
        {".xlsx", {"sheet1.xml", "sharedStrings.xml", "styles.xml", "workbook.xml"}},
    };
    char which = 0;
    for (const auto &[ext, parts] : kinds) {
        for (const std::string &part : parts) {
            for (const fs::path &path : files_in(folder, ext)) {
                unsigned char *bytes = nullptr;
                uint32_t size = 0;
                if (zip_read_file(path.string().c_str(), part.c_str(), &bytes, &size) == 0)
                    seeds.push_back(which + std::string(reinterpret_cast<char *>(bytes), size));
                zip_free(bytes);
            }
            ++which;
        }
    }
    return seeds;
}

// --- saving -------------------------------------------------------------------------

std::string fnv1a64(const std::string &bytes)
{
    uint64_t h = 0xcbf29ce484222325u;
    for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3u;
    char hex[17];
    snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

void save(const fs::path &folder, const std::string &bytes, const std::string &name)
{
    const fs::path path = folder / name;
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) die("cannot write " + path.string());
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        fputs("usage: make_seeds OUT ZIP_FIXTURES\n", stderr);
        return 2;
    }
    const fs::path out = argv[1];
    std::error_code ec;
    fs::remove_all(out, ec);
    if (ec) die("cannot clear " + out.string() + ": " + ec.message());

    const Seeds members = sample_members();
    const Seeds zip = zip_seeds(members, argv[2]);
    const Seeds pzqs = pzq_seeds(members);
    Seeds pipeline;
    for (const std::string &s : pzqs) pipeline.push_back("Q" + s);
    for (const std::string &s : zip) pipeline.push_back("Z" + s);
    const std::pair<std::string, Seeds> corpora[] = {
        {"qtext", qtext_seeds(members)},       {"zip", zip},           {"pzq", pzqs},
        {"codepage", codepage_seeds(members)}, {"pipeline", pipeline}, {"table", table_seeds()},
        {"workbook", workbook_seeds()}};

    for (const auto &[target, seeds] : corpora) {
        const fs::path folder = out / target;
        fs::create_directories(folder, ec);
        if (ec) die("cannot make " + folder.string() + ": " + ec.message());
        for (const std::string &s : seeds) save(folder, s, fnv1a64(s));
        for (const fs::path &path : files_in(kTop / "tests" / "fuzz" / "regressions" / target, ""))
            save(folder, read_bytes(path), "regression-" + path.filename().string());
        const auto count = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
        printf("seeds %-9s %3d files\n", target.c_str(), static_cast<int>(count));
    }
    return 0;
}
