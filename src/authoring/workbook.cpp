// SPDX-License-Identifier: MIT
// Reading a workbook: its ZIP container with the game's reader, its XML parts
// with expat (names matched without their namespace prefix), each sheet's
// cells into rows as a CSV export would write them. Writing one: a minimal
// .xlsx of inline-text cells.
#include "workbook.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include <expat.h>

#include "ascii.h"
#include "file_names.h"
#include "format.h"
#include "authoring_i18n.h"
#include "sys.h"
#include "zip_reader.h"
#include "zip_writer.h"

namespace {

// The largest workbook file and uncompressed part read: the zip reader's own
// ceiling for a member, far above a sheet of 32,767 questions with 40-byte
// texts (some 10 MiB). The most text kept from all sheets: the largest set,
// eight genres of 32,767 questions with texts as long as a .pzq file holds,
// is some 100 MiB in UTF-8.
constexpr uint64_t kMaxWorkbookBytes = 64ull << 20;
constexpr size_t kMaxKeptBytes = 128u << 20;
// The most text one cell of an .ods file may hold: far past a game text.
constexpr size_t kMaxCellBytes = 64u << 10;
// A header row, then the most questions a genre holds.
constexpr long long kMaxSheetRows = 1 + static_cast<long long>(kPzqMaxQuestions);
// Problems listed before the rest are left unsaid.
constexpr size_t kMaxListed = 20;
// The most sheets a workbook may list: a set holds 8 genres, and hidden and
// empty sheets beside them are allowed generously.
constexpr size_t kMaxSheets = 1024;
// The deepest elements nest in a part: a cell's text is some 6 levels down.
constexpr int kMaxXmlDepth = 64;
// The most rows, cells and shared texts held from a workbook, each of which
// takes memory whatever its text holds: the largest set is 8 genres of 32,767
// rows of 6 cells, some 1.6 M, and its shared texts as many again.
constexpr size_t kMaxHeldItems = 4u << 20;
// The most bytes inflated from all of a workbook's parts together: every part
// is read once, and parts of 64 MiB each could otherwise be listed without end.
constexpr uint64_t kMaxInflatedBytes = 256ull << 20;

// ---- XML through expat ----------------------------------------------------------

struct XmlHandler {
    virtual ~XmlHandler() = default;
    virtual void open(std::string_view name, const char **attrs) = 0;
    virtual void close(std::string_view name) = 0;
    virtual void text(std::string_view) {}
    bool stop = false;  // set by a handler: the rest of the part is not wanted
    std::string_view qualified;  // the element's name with its prefix, in open and close
};

std::string_view local_name(const char *name)
{
    const char *colon = strrchr(name, ':');
    return colon ? colon + 1 : name;
}

// The value of the attribute with this local name, or nullptr.
const char *attr(const char **attrs, std::string_view name)
{
    for (size_t i = 0; attrs[i]; i += 2)
        if (local_name(attrs[i]) == name) return attrs[i + 1];
    return nullptr;
}

struct XmlRun {
    XML_Parser parser;
    XmlHandler *handler;
    bool doctype = false;
    int depth = 0;
    bool tooDeep = false;  // stopped at an element nested past kMaxXmlDepth
};

void check_stop(XmlRun *run)
{
    if (run->handler->stop) XML_StopParser(run->parser, XML_FALSE);
}

void XMLCALL on_open(void *user, const XML_Char *name, const XML_Char **attrs)
{
    auto *run = static_cast<XmlRun *>(user);
    // Expat keeps every open element; nesting without end would hold them all.
    if (++run->depth > kMaxXmlDepth) {
        run->tooDeep = true;
        XML_StopParser(run->parser, XML_FALSE);
        return;
    }
    run->handler->qualified = name;
    run->handler->open(local_name(name), attrs);
    check_stop(run);
}

void XMLCALL on_close(void *user, const XML_Char *name)
{
    auto *run = static_cast<XmlRun *>(user);
    --run->depth;
    run->handler->qualified = name;
    run->handler->close(local_name(name));
    check_stop(run);
}

void XMLCALL on_text(void *user, const XML_Char *s, int len)
{
    auto *run = static_cast<XmlRun *>(user);
    run->handler->text(std::string_view(s, static_cast<size_t>(len)));
    check_stop(run);
}

// No part of a workbook declares a document type; refusing one leaves no
// room for entity expansion.
void XMLCALL on_doctype(void *user, const XML_Char *, const XML_Char *, const XML_Char *, int)
{
    auto *run = static_cast<XmlRun *>(user);
    run->doctype = true;
    XML_StopParser(run->parser, XML_FALSE);
}

// Parses a whole part. False, with the reason in *why, when it is not
// well-formed XML; a handler's stop is no failure.
bool parse_xml(std::string_view data, XmlHandler &handler, std::string *why)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    if (!parser) throw std::bad_alloc();
    XmlRun run{parser, &handler};
    XML_SetUserData(parser, &run);
    XML_SetElementHandler(parser, on_open, on_close);
    XML_SetCharacterDataHandler(parser, on_text);
    XML_SetStartDoctypeDeclHandler(parser, on_doctype);
    const bool ok = XML_Parse(parser, data.data(), static_cast<int>(data.size()), XML_TRUE) == XML_STATUS_OK;
    const XML_Error code = XML_GetErrorCode(parser);
    if (run.doctype) {
        *why = _("holds a document type declaration, which no workbook part has");
    } else if (run.tooDeep) {
        *why = formatted(_("nests elements more than %d deep (line %lu), which no workbook part does"), kMaxXmlDepth,
                         static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)));
    } else if (!ok && !(code == XML_ERROR_ABORTED && handler.stop)) {
        *why = formatted(_("is not well-formed XML (line %lu: %s)"),
                         static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)), XML_ErrorString(code));
    }
    XML_ParserFree(parser);
    return !run.doctype && !run.tooDeep && (ok || (code == XML_ERROR_ABORTED && handler.stop));
}

// ---- Sheets ----------------------------------------------------------------------

struct Listing {
    const std::string &path;
    std::vector<std::string> &problems;
    size_t listed = 0;
    size_t kept = 0;  // bytes of text kept from every sheet
    size_t held = 0;  // rows, cells and shared texts held (kMaxHeldItems)
    uint64_t inflated = 0;  // bytes of the parts read
    std::set<std::string> partsRead;
    Listing(const std::string &p, std::vector<std::string> &list) : path(p), problems(list) {}
    // Counts n more rows, cells or shared texts; false past the bound.
    bool hold(size_t n)
    {
        held += n;
        return held <= kMaxHeldItems;
    }
    // False once kMaxListed problems are listed (and that more are not said).
    bool add(const std::string &problem)
    {
        if (listed == kMaxListed) return false;
        problems.push_back(problem);
        if (++listed < kMaxListed) return true;
        problems.push_back(path + ": " + _("more problems not listed; fix these first"));
        return false;
    }
};

std::string held_problem()
{
    return formatted(_("the workbook holds more than %s rows, cells and texts, more than the largest set: split the "
                       "workbook"),
                     with_thousands(static_cast<long long>(kMaxHeldItems)).c_str());
}

std::string cell_where(const std::string &where, long long row, long long column)
{
    return where + ":" + std::to_string(row) + ":" + std::to_string(column);
}

// Puts cells into one sheet's rows, within the limits.
struct SheetRows {
    std::string where;  // "path:sheet"
    WorkbookSheet &sheet;
    Listing &listing;
    bool failed = false;  // a limit was passed, or too many problems: the sheet is not read on

    void problem(long long row, long long column, const std::string &reason)
    {
        if (!listing.add(cell_where(where, row, column) + ": " + reason)) failed = true;
    }

    // One non-empty cell at a 1-based row and column.
    void put(long long row, long long column, const std::string &text)
    {
        if (text.empty() || failed) return;
        if (row < 1 || column < 1) {  // a cell outside any row: a damaged sheet
            problem(std::max(row, 0LL), std::max(column, 0LL),
                    _("a cell outside the sheet's rows; is the file damaged?"));
            failed = true;
            return;
        }
        if (row > kMaxSheetRows) {
            problem(
                row, column,
                formatted(_("text below row %lld; a genre holds at most %s questions, below a header row: split the "
                            "sheet into two genres"),
                          kMaxSheetRows, with_thousands(kPzqMaxQuestions).c_str()));
            failed = true;
            return;
        }
        if (column > static_cast<long long>(kMaxTableCells)) {
            problem(row, column,
                    formatted(_("text in column %lld; a row holds 6 cells: the question, the right answer and four "
                                "wrong answers"),
                              column));
            failed = true;
            return;
        }
        if (text.find_first_of("\r\n") != std::string::npos) {
            problem(row, column,
                    _("holds a line break; a game text is one line: join its lines (Alt+Enter started a new one)"));
            return;
        }
        listing.kept += text.size();
        const size_t newRows = sheet.rows.empty() ? static_cast<size_t>(row)
                                                  : static_cast<size_t>(std::max(0LL, row - sheet.rows.back().row));
        const size_t rowCells =
            static_cast<size_t>(row) <= sheet.rows.size() ? sheet.rows[static_cast<size_t>(row - 1)].cells.size() : 0;
        if (!listing.hold(newRows + static_cast<size_t>(std::max(0LL, column - static_cast<long long>(rowCells))))) {
            problem(row, column, held_problem());
            failed = true;
            return;
        }
        if (listing.kept > kMaxKeptBytes) {
            problem(row, column,
                    _("the workbook's texts pass 128 MiB, more than the largest set holds: split the workbook"));
            failed = true;
            return;
        }
        while (sheet.rows.empty() || sheet.rows.back().row < row) {
            TableRow next;
            next.row = sheet.rows.empty() ? 1 : sheet.rows.back().row + 1;
            sheet.rows.push_back(std::move(next));
        }
        // Row n is rows[n - 1]: gaps are filled with empty rows, so a row
        // given out of order is found in place.
        TableRow &target = sheet.rows[static_cast<size_t>(row - 1)];
        if (target.cells.size() < static_cast<size_t>(column)) target.cells.resize(static_cast<size_t>(column));
        target.cells[static_cast<size_t>(column - 1)] = text;
    }

    void merged(long long row, long long column, const std::string &range)
    {
        problem(row, column,
                formatted(_("cells %s are merged; a merged cell's text belongs to its first cell alone: unmerge them"),
                          range.c_str()));
    }
};

// "B" -> 2, "AA" -> 27: the column letters of a cell reference; 0 when there
// are none.
long long column_number(const char *ref, const char **rest)
{
    long long n = 0;
    const char *p = ref;
    for (; *p >= 'A' && *p <= 'Z'; ++p)
        if (n < 1000000) n = n * 26 + (*p - 'A' + 1);
    *rest = p;
    return n;
}

// A positive count or number from an attribute, else `fallback`. Held at
// 2^40, far past any sheet's rows and columns, so that sums of them cannot
// overflow.
long long number_attr(const char *value, long long fallback)
{
    if (!value || !*value) return fallback;
    long long n = 0;
    const auto res = std::from_chars(value, value + strlen(value), n);
    if (res.ec == std::errc::result_out_of_range) return 1LL << 40;
    return res.ec == std::errc() && n > 0 ? std::min(n, 1LL << 40) : fallback;
}

// A cell reference: row and column from "B3".
bool cell_ref(const char *ref, long long *row, long long *column)
{
    if (!ref) return false;
    const char *digits;
    *column = column_number(ref, &digits);
    *row = number_attr(digits, 0);
    return *column > 0 && *row > 0;
}

std::string column_letters(long long column)
{
    std::string s;
    for (; column > 0; column = (column - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (column - 1) % 26));
    return s;
}

// ---- .xlsx -----------------------------------------------------------------------

// A number as the General format shows it: at most 15 significant digits,
// no trailing zeros, 1E+20 beyond. *plain is false where spreadsheets differ
// (an exponent, or more than 10 significant digits, which a cell's width
// rounds): LibreOffice writes 1E-07 as 0.0000001 and 1E+20 as 1E+020.
#if defined(__cpp_lib_to_chars)
// A decimal number, whole: std::from_chars, which no locale touches.
bool read_number(const std::string &value, double *d)
{
    const auto res = std::from_chars(value.data(), value.data() + value.size(), *d);
    return res.ec == std::errc() && res.ptr == value.data() + value.size();
}

// At most 15 significant digits, as printf's %.15g.
std::string write_number(double d)
{
    char buf[64];
    const auto out = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    return std::string(buf, out.ptr);
}
#else
// Emscripten's C++ library has no floating-point std::from_chars and
// std::to_chars (its __cpp_lib_to_chars is unset). The C library's strtod and
// %.15g read and write the same forms in the "C" locale, which the browser
// build never changes; what strtod takes beyond from_chars (spaces, a "+",
// hexadecimal) is refused here.
bool read_number(const std::string &value, double *d)
{
    if (value.empty() || value[0] == '+' || value.find_first_of(" \t\n\v\f\rxXpP") != std::string::npos) return false;
    errno = 0;
    char *end = nullptr;
    *d = strtod(value.c_str(), &end);
    return errno == 0 && end == value.c_str() + value.size();
}

std::string write_number(double d)
{
    char buf[64];
    snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}
#endif

std::string general_number(const std::string &value, bool *ok, bool *plain)
{
    double d = 0;
    *ok = read_number(value, &d);
    *plain = false;
    if (!*ok) return value;
    std::string s = write_number(d);
    const size_t e = s.find('e');
    if (e != std::string::npos) s[e] = 'E';
    const size_t first = s.find_first_of("123456789");
    const size_t digits = first == std::string::npos ? 1
                                                     : std::count_if(s.begin() + static_cast<long>(first), s.end(),
                                                                     [](char c) { return c >= '0' && c <= '9'; });
    *plain = e == std::string::npos && digits <= 10;
    return s;
}

// Excel writes control characters as _xHHHH_ (and a literal "_x" as _x005F_x).
std::string unescape_ooxml(const std::string &s)
{
    if (s.find("_x") == std::string::npos) return s;
    std::string out;
    for (size_t i = 0; i < s.size();) {
        unsigned code = 0;
        if (s.compare(i, 2, "_x") == 0 && i + 7 <= s.size() && s[i + 6] == '_' &&
            std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16).ptr == s.data() + i + 6) {
            if (code < 0x80) {
                out += static_cast<char>(code);
            } else {
                char utf8[4];
                size_t n = code < 0x800 ? 2 : 3;
                if (n == 2) {
                    utf8[0] = static_cast<char>(0xC0 | (code >> 6));
                    utf8[1] = static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    utf8[0] = static_cast<char>(0xE0 | (code >> 12));
                    utf8[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    utf8[2] = static_cast<char>(0x80 | (code & 0x3F));
                }
                out.append(utf8, n);
            }
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// Collects the text of <t> elements inside `item` elements (a shared string
// <si>, or a cell's <is>), leaving out phonetic runs (<rPh>: furigana, which a
// CSV export does not write either).
struct RichText {
    int phonetic = 0;
    bool inT = false;
    std::string text;
    void open(std::string_view name)
    {
        if (name == "rPh") ++phonetic;
        if (name == "t" && !phonetic) inT = true;
    }
    void close(std::string_view name)
    {
        if (name == "rPh") --phonetic;
        if (name == "t") inT = false;
    }
    void add(std::string_view s)
    {
        if (inT) text.append(s);
    }
};

struct SharedStrings : XmlHandler {
    std::vector<std::string> strings;
    Listing &listing;
    RichText item;
    bool inItem = false;
    bool tooMany = false;  // past kMaxHeldItems
    explicit SharedStrings(Listing &l) : listing(l) {}
    void open(std::string_view name, const char **) override
    {
        if (name == "si") {
            inItem = true;
            item = RichText{};
        } else if (inItem) {
            item.open(name);
        }
    }
    void close(std::string_view name) override
    {
        if (name != "si") {
            if (inItem) item.close(name);
            return;
        }
        inItem = false;
        listing.kept += item.text.size();
        tooMany = !listing.hold(1);
        if (!tooMany) strings.push_back(unescape_ooxml(item.text));
        stop = tooMany || listing.kept > kMaxKeptBytes;
    }
    void text(std::string_view s) override { item.add(s); }
};

// The number format of every cell style: cellXfs' numFmtId, and the codes of
// the workbook's own formats.
struct Styles : XmlHandler {
    std::vector<int> formatOfStyle;
    std::map<int, std::string> codes;
    bool inCellXfs = false;
    void open(std::string_view name, const char **attrs) override
    {
        if (name == "cellXfs") inCellXfs = true;
        if (name == "xf" && inCellXfs)
            formatOfStyle.push_back(static_cast<int>(number_attr(attr(attrs, "numFmtId"), 0)));
        if (name == "numFmt") {
            const char *code = attr(attrs, "formatCode");
            codes[static_cast<int>(number_attr(attr(attrs, "numFmtId"), 0))] = code ? code : "";
        }
    }
    void close(std::string_view name) override
    {
        if (name == "cellXfs") inCellXfs = false;
    }
};

struct WorkbookPart : XmlHandler {
    struct Sheet {
        std::string name, relation;
        bool hidden = false;
    };
    std::vector<Sheet> sheets;
    bool tooMany = false;  // more than kMaxSheets listed
    void open(std::string_view name, const char **attrs) override
    {
        if (name != "sheet") return;
        if (sheets.size() == kMaxSheets) {
            stop = tooMany = true;
            return;
        }
        const char *sheetName = attr(attrs, "name"), *id = attr(attrs, "id"), *state = attr(attrs, "state");
        sheets.push_back({sheetName ? sheetName : "", id ? id : "",
                          state && (strcmp(state, "hidden") == 0 || strcmp(state, "veryHidden") == 0)});
    }
    void close(std::string_view) override {}
};

struct Relations : XmlHandler {
    std::map<std::string, std::string> targets;
    std::set<std::string> charts;  // the ids of chart sheets
    void open(std::string_view name, const char **attrs) override
    {
        const char *id = attr(attrs, "Id"), *target = attr(attrs, "Target"), *type = attr(attrs, "Type");
        if (name == "Relationship" && id && target) targets[id] = target;
        const std::string_view kind = type ? type : "";
        if (name == "Relationship" && id && kind.size() >= 11 && kind.substr(kind.size() - 11) == "/chartsheet")
            charts.insert(id);
    }
    void close(std::string_view) override {}
};

struct XlsxSheet : XmlHandler {
    SheetRows &rows;
    const std::vector<std::string> &shared;
    const Styles &styles;
    long long row = 0, column = 0;
    std::string type;
    int style = 0;
    bool inValue = false, inInline = false;
    std::string value;
    RichText inlineText;
    XlsxSheet(SheetRows &r, const std::vector<std::string> &s, const Styles &st) : rows(r), shared(s), styles(st) {}

    void open(std::string_view name, const char **attrs) override
    {
        if (name == "row") {
            row = number_attr(attr(attrs, "r"), row + 1);
            column = 0;
        } else if (name == "c") {
            long long r = 0, c = 0;
            const char *ref = attr(attrs, "r");
            if (ref && !cell_ref(ref, &r, &c)) {
                // "A0", "b3": no place a spreadsheet writes, so no guess at one.
                rows.problem(row, column + 1,
                             formatted(_("\"%s\" is no cell reference (column letters, then a row from 1); is the "
                                         "file damaged?"),
                                       escaped(ref).c_str()));
                rows.failed = true;
            }
            column = ref ? c : column + 1;
            if (r) row = r;
            const char *t = attr(attrs, "t");
            type = t ? t : "n";
            style = static_cast<int>(number_attr(attr(attrs, "s"), 0));
            value.clear();
            inlineText = RichText{};
        } else if (name == "v") {
            inValue = true;
        } else if (name == "is") {
            inInline = true;
        } else if (inInline) {
            inlineText.open(name);
        } else if (name == "mergeCell") {
            const char *ref = attr(attrs, "ref");
            long long r = 0, c = 0;
            if (ref && cell_ref(ref, &r, &c)) rows.merged(r, c, ref);
        }
        stop = rows.failed;
    }

    void close(std::string_view name) override
    {
        if (name == "v") inValue = false;
        if (name == "is") inInline = false;
        if (inInline) inlineText.close(name);
        if (name == "c") cell();
        stop = rows.failed;
    }

    void text(std::string_view s) override
    {
        if (inValue) value.append(s);
        if (inInline) inlineText.add(s);
    }

    void warn(const std::string &text)
    {
        if (rows.sheet.warnings.size() < kMaxListed)
            rows.sheet.warnings.push_back({cell_where(rows.where, row, column), text});
        else
            ++rows.sheet.unlistedWarnings;
    }

    void cell()
    {
        if (type == "s") {
            size_t k = 0;
            const auto res = std::from_chars(value.data(), value.data() + value.size(), k);
            if (res.ec != std::errc() || res.ptr != value.data() + value.size() || k >= shared.size()) {
                rows.problem(row, column, _("names a shared text the workbook does not hold"));
            } else {
                rows.put(row, column, shared[k]);
            }
        } else if (type == "inlineStr") {
            rows.put(row, column, unescape_ooxml(inlineText.text));
        } else if (type == "str" || type == "e") {
            rows.put(row, column, unescape_ooxml(value));
        } else if (type == "b") {
            const std::string shown = value == "1" ? "TRUE" : "FALSE";
            warn(formatted(_("a TRUE/FALSE value, packed as %s; type the cell as text (begin it with ') to pack what "
                             "it shows"),
                           shown.c_str()));
            rows.put(row, column, shown);
        } else if (!value.empty()) {
            bool ok = false, plain = false;
            const std::string shown = type == "n" ? general_number(value, &ok, &plain) : value;
            const int fmt = style >= 0 && static_cast<size_t>(style) < styles.formatOfStyle.size()
                                ? styles.formatOfStyle[static_cast<size_t>(style)]
                                : 0;
            const auto code = styles.codes.find(fmt);
            // General (0) or Text (49), or a format of the workbook's own
            // under either name.
            const bool general = fmt == 0 || fmt == 49 ||
                                 (code != styles.codes.end() &&
                                  (code->second == "@" || code->second == "General" || code->second == "GENERAL"));
            if (!ok || !general) {
                const std::string named =
                    code != styles.codes.end() ? "\"" + code->second + "\"" : formatted(_("number %d"), fmt);
                warn(formatted(_("a number in the format %s, packed as %s, not as the sheet shows it; type the cell as "
                                 "text (begin it with ') to pack what it shows"),
                               named.c_str(), shown.c_str()));
            } else if (!plain) {
                warn(formatted(_("a number packed as %s, which spreadsheets show in different ways; type the "
                                 "cell as text (begin it with ') to pack what it shows"),
                               shown.c_str()));
            }
            rows.put(row, column, shown);
        }
    }
};

// Reads one part of the archive by its full name into `bytes`. False with a
// problem when it is missing (and `needed`), too large or unreadable.
bool read_part(const std::string &path, const ZipArchive &archive, const ZipWalk &walk, const std::string &part,
               bool needed, std::string &bytes, Listing &listing)
{
    std::vector<std::string> &problems = listing.problems;
    // Found by its whole name: a chart's own content.xml or a chart sheet's
    // sheet1.xml may come first under the same base name.
    const ZipMemberReport *member = nullptr;
    for (const ZipMemberReport &m : walk.members)
        if (!member && m.name == part) member = &m;
    if (!member) {
        if (needed) problems.push_back(path + ": " + formatted(_("holds no %s; is it a workbook?"), part.c_str()));
        return false;
    }
    if (member->uncompressed > kMaxWorkbookBytes) {
        problems.push_back(path + ": " +
                           formatted(_("%s is %s bytes uncompressed; a workbook part is read up to 64 MiB"),
                                     part.c_str(),
                                     with_thousands(static_cast<long long>(member->uncompressed)).c_str()));
        return false;
    }
    // Each part is read once: a workbook that names one part for many sheets
    // would otherwise have it inflated and parsed for each.
    if (!listing.partsRead.insert(part).second) {
        problems.push_back(
            path + ": " +
            formatted(_("names %s a second time; a part belongs to one sheet (is the file damaged?)"), part.c_str()));
        return false;
    }
    listing.inflated += member->uncompressed;
    if (listing.inflated > kMaxInflatedBytes) {
        problems.push_back(path + ": " +
                           formatted(_("its parts pass %s MiB uncompressed in all, more than the largest set needs: "
                                       "split the workbook"),
                                     with_thousands(static_cast<long long>(kMaxInflatedBytes >> 20)).c_str()));
        return false;
    }
    unsigned char *data = nullptr;
    uint32_t size = 0;
    const int rc = zip_read_member_path(&archive, part.c_str(), &data, &size);
    if (rc != 0) {
        zip_free(data);
        problems.push_back(path + ": " + formatted(_("%s cannot be read from the archive (damaged?)"), part.c_str()));
        return false;
    }
    bytes.assign(reinterpret_cast<char *>(data), size);
    zip_free(data);
    return true;
}

bool parse_part(const std::string &path, const std::string &part, const std::string &bytes, XmlHandler &handler,
                std::vector<std::string> &problems)
{
    std::string why;
    if (parse_xml(bytes, handler, &why)) return true;
    problems.push_back(path + ": " + part + " " + why);
    return false;
}

// True, with a problem, when a workbook lists more sheets than kMaxSheets.
bool sheets_problem(const std::string &path, bool tooMany, std::vector<std::string> &problems)
{
    if (tooMany)
        problems.push_back(
            path + ": " +
            formatted(_("lists more than %s sheets; a set holds %d genres: remove the sheets it does not "
                        "need"),
                      with_thousands(static_cast<long long>(kMaxSheets)).c_str(), kMaxGenres));
    return tooMany;
}

std::string part_target(const std::string &target)
{
    return target.empty() || target[0] != '/' ? "xl/" + target : target.substr(1);
}

bool read_xlsx(const std::string &path, const ZipArchive &archive, const ZipWalk &walk,
               std::vector<WorkbookSheet> &sheets, Listing &listing)
{
    std::vector<std::string> &problems = listing.problems;
    std::string bytes;
    WorkbookPart book;
    Relations relations;
    if (!read_part(path, archive, walk, "xl/workbook.xml", true, bytes, listing) ||
        !parse_part(path, "xl/workbook.xml", bytes, book, problems) || sheets_problem(path, book.tooMany, problems) ||
        !read_part(path, archive, walk, "xl/_rels/workbook.xml.rels", true, bytes, listing) ||
        !parse_part(path, "xl/_rels/workbook.xml.rels", bytes, relations, problems))
        return false;
    SharedStrings shared(listing);
    if (read_part(path, archive, walk, "xl/sharedStrings.xml", false, bytes, listing)) {
        if (!parse_part(path, "xl/sharedStrings.xml", bytes, shared, problems)) return false;
        if (shared.tooMany) {
            problems.push_back(path + ": xl/sharedStrings.xml: " + held_problem());
            return false;
        }
        if (listing.kept > kMaxKeptBytes) {
            problems.push_back(
                path + ": " +
                _("the workbook's texts pass 128 MiB, more than the largest set holds: split the workbook"));
            return false;
        }
    }
    Styles styles;
    if (read_part(path, archive, walk, "xl/styles.xml", false, bytes, listing) &&
        !parse_part(path, "xl/styles.xml", bytes, styles, problems))
        return false;
    for (const WorkbookPart::Sheet &s : book.sheets) {
        sheets.push_back({s.name, s.hidden, {}, {}});
        sheets.back().chart = relations.charts.count(s.relation) > 0;
        if (s.hidden || sheets.back().chart) continue;
        const auto target = relations.targets.find(s.relation);
        const std::string part = target == relations.targets.end() ? "" : part_target(target->second);
        if (part.empty() || !read_part(path, archive, walk, part, true, bytes, listing)) {
            if (part.empty())
                problems.push_back(path + ":" + s.name + ": " + _("the workbook names no part for this sheet"));
            return false;
        }
        SheetRows rows{path + ":" + s.name, sheets.back(), listing};
        XlsxSheet reader(rows, shared.strings, styles);
        if (!parse_part(path, part, bytes, reader, problems) || rows.failed) return false;
    }
    return true;
}

// ---- .ods ------------------------------------------------------------------------

struct OdsContent : XmlHandler {
    std::vector<WorkbookSheet> &sheets;
    Listing &listing;
    const std::string &path;
    std::set<std::string> hiddenStyles;
    std::string styleName;  // the table style being read
    std::unique_ptr<SheetRows> rows;
    int tableDepth = 0;  // tables inside a cell are no sheets
    long long row = 0, rowRepeat = 1, column = 0, columnRepeat = 1;
    bool inCell = false;
    bool tooMany = false;  // more than kMaxSheets tables
    int annotation = 0;  // inside what is no part of the text (ignored)
    int paragraphs = 0, inParagraph = 0;
    std::string cellText;
    OdsContent(std::vector<WorkbookSheet> &s, Listing &l, const std::string &p) : sheets(s), listing(l), path(p) {}

    // What a cell holds beside its text: a comment, a phonetic guide, and a
    // drawing anchored in it (draw:frame, draw:custom-shape, ...), whose own
    // paragraphs are no part of the text either.
    bool ignored(std::string_view name) const
    {
        return name == "annotation" || name == "ruby-text" || qualified.substr(0, 5) == "draw:";
    }

    void open(std::string_view name, const char **attrs) override
    {
        if (name == "style") {
            const char *n = attr(attrs, "name"), *family = attr(attrs, "family");
            styleName = n && family && strcmp(family, "table") == 0 ? n : "";
        } else if (name == "table-properties") {
            const char *display = attr(attrs, "display");
            if (display && strcmp(display, "false") == 0 && !styleName.empty()) hiddenStyles.insert(styleName);
        } else if (name == "table") {
            if (tableDepth++ != 0) return;
            if (sheets.size() == kMaxSheets) {
                stop = tooMany = true;
                return;
            }
            const char *n = attr(attrs, "name"), *style = attr(attrs, "style-name");
            sheets.push_back({n ? n : "", style && hiddenStyles.count(style) > 0, {}, {}});
            rows = std::make_unique<SheetRows>(SheetRows{path + ":" + sheets.back().name, sheets.back(), listing});
            row = 0;
        } else if (tableDepth != 1 || sheets.back().hidden) {
            // inside a cell's own table, or in a sheet that is skipped
        } else if (name == "table-row" && !inCell) {
            rowRepeat = number_attr(attr(attrs, "number-rows-repeated"), 1);
            column = 0;
        } else if ((name == "table-cell" || name == "covered-table-cell") && !inCell) {
            inCell = true;
            columnRepeat = number_attr(attr(attrs, "number-columns-repeated"), 1);
            cellText.clear();
            paragraphs = inParagraph = 0;
            const long long across = number_attr(attr(attrs, "number-columns-spanned"), 1),
                            down = number_attr(attr(attrs, "number-rows-spanned"), 1);
            if (across > 1 || down > 1) {
                const std::string range = column_letters(column + 1) + std::to_string(row + 1) + ":" +
                                          column_letters(column + across) + std::to_string(row + down);
                rows->merged(row + 1, column + 1, range);
            }
        } else if (inCell && ignored(name)) {
            ++annotation;
        } else if (inCell && !annotation) {
            if (name == "p" && paragraphs++ > 0) cellText += '\n';
            if (name == "p") ++inParagraph;
            if (name == "line-break") cellText += '\n';
            if (name == "tab") cellText += '\t';
            if (name == "s")
                cellText.append(static_cast<size_t>(std::min(number_attr(attr(attrs, "c"), 1), 1000LL)), ' ');
            check_size();
        }
        stop = rows && rows->failed;
    }

    void close(std::string_view name) override
    {
        if (name == "style") styleName.clear();
        if (name == "table") --tableDepth;
        if (tableDepth != 1 || sheets.back().hidden) return;
        if (inCell && ignored(name) && annotation) --annotation;
        if (name == "p" && inCell && !annotation && inParagraph) --inParagraph;
        if ((name == "table-cell" || name == "covered-table-cell") && inCell) {
            inCell = false;
            if (!cellText.empty() && name == "table-cell") {
                for (long long r = row + 1; r <= row + rowRepeat && !rows->failed; ++r)
                    for (long long c = column + 1; c <= column + columnRepeat && !rows->failed; ++c)
                        rows->put(r, c, cellText);
            }
            column += columnRepeat;
        } else if (name == "table-row" && !inCell) {
            row += rowRepeat;
        }
        stop = rows && rows->failed;
    }

    void text(std::string_view s) override
    {
        if (tableDepth == 1 && !sheets.back().hidden && inCell && !annotation && inParagraph) {
            cellText.append(s);
            check_size();
            stop = rows->failed;
        }
    }

    // A cell's text is held whole until the cell ends; spaces written as a
    // count (<text:s text:c="1000"/>) could otherwise make gigabytes of a
    // small file.
    void check_size()
    {
        if (cellText.size() <= kMaxCellBytes || rows->failed) return;
        rows->problem(row + 1, column + 1,
                      formatted(_("the cell holds more than %s bytes of text; a game text holds at most %d"),
                                with_thousands(static_cast<long long>(kMaxCellBytes)).c_str(), kTextSlotBytes));
        rows->failed = true;
    }
};

bool read_ods(const std::string &path, const ZipArchive &archive, const ZipWalk &walk,
              std::vector<WorkbookSheet> &sheets, Listing &listing)
{
    std::string bytes;
    if (!read_part(path, archive, walk, "content.xml", true, bytes, listing)) return false;
    OdsContent content(sheets, listing, path);
    return parse_part(path, "content.xml", bytes, content, listing.problems) &&
           !sheets_problem(path, content.tooMany, listing.problems) && !(content.rows && content.rows->failed);
}

bool ends_with_folded(const std::string &path, const char *ext)
{
    const size_t n = strlen(ext);
    return path.size() > n && ascii_lower(std::string_view(path).substr(path.size() - n)) == ext;
}

// ---- Writing .xlsx ----------------------------------------------------------------

const char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::string xml_escaped(const std::string &s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A cell's text: control characters, which XML cannot hold, as Excel's
// _xHHHH_, and a literal "_x" escaped likewise.
std::string cell_text(const std::string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (s.compare(i, 2, "_x") == 0) out += "_x005F";
        if (c < 0x20 && c != '\t') {
            char code[8];
            snprintf(code, sizeof code, "_x%04X_", c);
            out += code;
        } else {
            out += s[i];
        }
    }
    return xml_escaped(out);
}

}  // namespace

bool workbook_kind(const std::string &path, WorkbookKind *kind)
{
    if (ends_with_folded(path, ".xlsx")) {
        *kind = WorkbookKind::Xlsx;
        return true;
    }
    if (ends_with_folded(path, ".ods")) {
        *kind = WorkbookKind::Ods;
        return true;
    }
    return false;
}

std::string workbook_signature_problem(std::string_view data)
{
    if (zip_starts_like_archive(data.data(), data.size()))
        return _(
            "this is a workbook (a ZIP container), not a text or CSV file; give it with its own extension, .xlsx "
            "or .ods, and pack reads its sheets");
    if (data.substr(0, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") {
        // A password-protected .xlsx is kept in the same container as an
        // .xls: its directory names the encrypted package (in UTF-16).
        static const char kEncrypted[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
        if (data.find(std::string_view(kEncrypted, sizeof kEncrypted - 1)) != std::string_view::npos)
            return _(
                "this is a workbook saved with a password (encrypted), which pack cannot read; save it "
                "without a password");
        return _(
            "this is a workbook in the old Excel format (.xls), which pack does not read; save it as .xlsx or "
            ".ods");
    }
    return "";
}

bool workbook_from_bytes(const std::string &path, std::string_view data, WorkbookKind kind,
                         std::vector<WorkbookSheet> &sheets, std::vector<std::string> &problems)
{
    sheets.clear();
    const size_t before = problems.size();
    if (data.substr(0, 8) == "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") {
        problems.push_back(path + ": " + workbook_signature_problem(data));
        return false;
    }
    if (!zip_starts_like_archive(data.data(), data.size())) {
        problems.push_back(path + ": " +
                           _("is not a workbook (no ZIP container); save it from the spreadsheet as .xlsx or .ods"));
        return false;
    }
    ZipArchive archive;  // the caller's bytes; never closed
    archive.bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(data.data()));
    archive.size = data.size();
    const std::vector<std::string> none;
    const ZipWalk walk = zip_walk(&archive, &none);
    Listing listing{path, problems};
    // The parts tell the kind, whatever the name says (an .ods saved under
    // .xlsx reads as well).
    for (const ZipMemberReport &m : walk.members) {
        if (m.name == "xl/workbook.xml") kind = WorkbookKind::Xlsx;
        if (m.name == "content.xml") kind = WorkbookKind::Ods;
    }
    const bool ok = kind == WorkbookKind::Xlsx ? read_xlsx(path, archive, walk, sheets, listing)
                                               : read_ods(path, archive, walk, sheets, listing);
    for (WorkbookSheet &s : sheets) {
        auto empty = [](const TableRow &r) {
            for (const std::string &c : r.cells)
                if (!c.empty()) return false;
            return true;
        };
        while (!s.rows.empty() && empty(s.rows.back())) s.rows.pop_back();
    }
    return ok && problems.size() == before;
}

bool read_workbook(const std::string &path, WorkbookKind kind, std::vector<WorkbookSheet> &sheets,
                   std::vector<std::string> &problems)
{
    std::string data, why;
    if (!sys_read_file(path.c_str(), kMaxWorkbookBytes, &data, &why)) {
        problems.push_back(path + ": " + why);
        return false;
    }
    return workbook_from_bytes(path, data, kind, sheets, problems);
}

std::vector<std::string> xlsx_sheet_names(const std::vector<std::string> &genreNames)
{
    // A spreadsheet's rules: at most 31 UTF-16 units, suffix included; none
    // of [ ] : * ? / \ nor a control character; no ' first or last; not
    // "History" (a name Excel keeps for itself); no two alike under case
    // folding (ＡＢＣ and ａｂｃ, Σ and σ are one name to it).
    std::vector<std::string> names;
    std::set<std::string> taken{fold_file_name("History")};
    for (const std::string &genre : genreNames) {
        std::vector<std::string> chars;
        for (size_t i = 0; i < genre.size();) {
            size_t n = 1;
            while (i + n < genre.size() && (static_cast<unsigned char>(genre[i + n]) & 0xC0) == 0x80) ++n;
            const std::string ch = genre.substr(i, n);
            // C0 and C1 controls too: no sheet name holds them.
            const bool bad =
                (ch.size() == 1 && (static_cast<unsigned char>(ch[0]) < 0x20 || strchr("[]:*?/\\", ch[0]))) ||
                (ch.size() == 2 && ch[0] == '\xC2' && static_cast<unsigned char>(ch[1]) < 0xA0);
            chars.push_back(bad ? "_" : ch);
            i += n;
        }
        if (!chars.empty() && chars.front() == "'") chars.front() = "_";
        std::string unique;
        for (int k = 1; unique.empty() || taken.count(fold_file_name(unique)); ++k) {
            const std::string suffix = k == 1 ? "" : " (" + std::to_string(k) + ")";
            std::string name;
            size_t units = suffix.size();
            for (size_t c = 0; c < chars.size(); ++c) {
                units += chars[c].size() == 4 ? 2 : 1;  // a character past U+FFFF is two UTF-16 units
                if (units > 31) break;
                name += c + 1 == chars.size() && chars[c] == "'" && suffix.empty() ? "_" : chars[c];
            }
            if (!name.empty() && name.back() == '\'' && suffix.empty()) name.back() = '_';  // cut before a '
            unique = (name.empty() ? "_" : name) + suffix;
        }
        taken.insert(fold_file_name(unique));
        names.push_back(unique);
    }
    return names;
}

std::string xlsx_sheet(const std::vector<std::string> &header, const std::vector<std::vector<std::string>> &rows)
{
    std::string sheet = std::string(kXmlHead) + "<worksheet xmlns=\"" + kMainNs + "\"><sheetData>";
    size_t r = 0;
    auto add_row = [&](const std::vector<std::string> &cells) {
        const std::string rn = std::to_string(++r);
        sheet += "<row r=\"" + rn + "\">";
        for (size_t c = 0; c < cells.size(); ++c)
            sheet += "<c r=\"" + column_letters(static_cast<long long>(c + 1)) + rn +
                     "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" + cell_text(cells[c]) + "</t></is></c>";
        sheet += "</row>";
    };
    add_row(header);
    for (const std::vector<std::string> &row : rows) add_row(row);
    sheet += "</sheetData></worksheet>";
    return sheet;
}

std::string xlsx_book(const std::vector<std::string> &sheetNames, std::vector<std::string> &&sheets)
{
    const char *relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string types = std::string(kXmlHead) +
                        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                        "<Default Extension=\"rels\" "
                        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                        "<Override PartName=\"/xl/workbook.xml\" "
                        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>";
    std::string book = std::string(kXmlHead) + "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + relNs + "\"><sheets>";
    std::string rels = std::string(kXmlHead) +
                       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    std::vector<ZipWriterMember> members(4);
    for (size_t k = 0; k < sheets.size(); ++k) {
        const std::string n = std::to_string(k + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n +
                 ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        book += "<sheet name=\"" + xml_escaped(sheetNames[k]) + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                "Target=\"worksheets/sheet" +
                n + ".xml\"/>";
        members.push_back({"xl/worksheets/sheet" + n + ".xml", std::move(sheets[k])});
    }
    types += "</Types>";
    book += "</sheets></workbook>";
    rels += "</Relationships>";
    const std::string rootRels =
        std::string(kXmlHead) +
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    members[0] = {"[Content_Types].xml", types};
    members[1] = {"_rels/.rels", rootRels};
    members[2] = {"xl/workbook.xml", book};
    members[3] = {"xl/_rels/workbook.xml.rels", rels};
    std::string out;
    if (!zip_build_archive(members, false, out)) out.clear();
    return out;
}
