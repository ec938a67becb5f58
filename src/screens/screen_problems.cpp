// SPDX-License-Identifier: MIT
#include "screen_problems.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "draw.h"
#include "font_jp.h"
#include "source_problems.h"
#include "utf8.h"

namespace {

enum EntryKind { ENTRY_ERROR, ENTRY_WARNING, ENTRY_NOTE };

struct Entry {
    EntryKind kind;
    std::string text;
};

// One wrapped line of an entry: the bytes [begin, begin + length) of its text.
struct ListLine {
    int entry;
    int begin;
    int length;
    float y;  // its top, on its page
};

constexpr float kFontSize = 16.0f;
constexpr float kLineAdvance = 22.0f;
constexpr float kEntryGap = 8.0f;
constexpr float kListLeft = 118.0f;
constexpr float kTextLeft = 174.0f;
constexpr float kListRight = 842.0f;
constexpr float kListTop = 140.0f;
constexpr float kListBottom = 514.0f;

constexpr float kPanelRoundness = 0.04f;
constexpr Color kPanelFill{26, 30, 52, 255};
constexpr Color kErrorChip{150, 40, 40, 255};
constexpr Color kWarningChip{140, 110, 20, 255};
constexpr Color kRule{255, 255, 255, 40};

// The panel's own words (problems_words gives them to the font).
constexpr const char *kHeadingBoth = "誤りが%zu件%s、注意が%zu件あります / %zu %serror%s, %zu warning%s";
constexpr const char *kHeadingErrors = "誤りが%zu件%sあります / %zu %serror%s";
// A reader that stops listing its file's errors does not count the rest.
constexpr const char *kOrMore = "以上";
constexpr const char *kOrMoreEnglish = "or more ";
constexpr const char *kErrorsCut = "ほかにも誤りがあるかもしれません。まずこれらを直してください";
constexpr const char *kHeadingWarnings = "注意が%zu件あります / %zu warning%s";
constexpr const char *kAdviceErrors = "このままでは遊べません。直してから、もう一度開いてください。";
constexpr const char *kAdviceWarnings = "このまま遊ぶことも、直してから開き直すこともできます。";
constexpr const char *kMoreErrors = "ほかに誤りが%zu件あります（一覧には出していません）";
constexpr const char *kMoreWarnings = "ほかに注意が%zu件あります（一覧には出していません）";
constexpr const char *kChipError = "誤り";
constexpr const char *kChipWarning = "注意";
constexpr const char *kPrev = "← 前へ";
constexpr const char *kNext = "次へ →";
constexpr const char *kPlay = "このまま遊ぶ / Play anyway";
constexpr const char *kClose = "閉じる / Close";
constexpr const char *kCloseMark = "×";
constexpr const char *kWords[] = {kHeadingBoth,  kHeadingErrors,  kOrMore,     kErrorsCut,    kHeadingWarnings,
                                  kAdviceErrors, kAdviceWarnings, kMoreErrors, kMoreWarnings, kChipError,
                                  kChipWarning,  kPrev,           kNext,       kPlay,         kClose,
                                  kCloseMark};

bool s_open = false;
bool s_canPlay = false;
size_t s_errorCount = 0, s_warningCount = 0;  // listed and not
std::vector<Entry> s_entries;
std::vector<ListLine> s_lines;
std::vector<int> s_pageStarts;  // index in s_lines of each page's first line
int s_page = 0;

// A problem line as the panel keeps it: cut to its bound at a character, each
// control character (a line break or tab from a cell) made a space.
std::string panel_line(const std::string &line)
{
    char cut[kProblemsLineBytes];
    utf8_copy_cut(cut, sizeof cut, line.c_str());
    for (char *p = cut; *p; ++p)
        if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) *p = ' ';
    return cut;
}

void add_listed(EntryKind kind, const std::vector<std::string> &lines, size_t unlisted, size_t *total)
{
    size_t listed = 0;
    for (const std::string &line : lines) {
        if (listed == kProblemsListedMax) break;
        s_entries.push_back(Entry{kind, panel_line(line)});
        ++listed;
    }
    *total = lines.size() + unlisted;
}

void add_note(const char *format, size_t count)
{
    if (count == 0) return;
    char text[256];
    snprintf(text, sizeof text, format, count);
    s_entries.push_back(Entry{ENTRY_NOTE, text});
}

// Whether the character at s may not begin a line: closing brackets and
// punctuation stay with the text before them.
bool no_line_start(const char *s)
{
    static const char32_t kClosers[] = {U'、', U'。', U'，', U'．', U'）', U'」', U'』', U'】', U'〕', U'］',
                                        U'｝', U'〉', U'》', U'・', U'：', U'；', U'？', U'！', U'ー', U'…',
                                        ',',   '.',   ':',   ';',   '!',   '?',   ')',   ']',   '}'};
    int size = 0;
    const int cp = text_next_codepoint(s, &size);
    for (char32_t closer : kClosers)
        if (static_cast<int>(closer) == cp) return true;
    return false;
}

// A byte of a word that is not to be broken: a number or a file name.
bool word_byte(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' || c == '_' ||
           c == '-';
}

// One wrapped line of p into line (kTextboxLineSize bytes); returns where
// the rest begins. A number or a file name is not cut in two: the line ends
// before it. A line whose rest would begin with a closer hands its last
// character down with it. Neither when that would leave the line empty.
const char *take_panel_line(const char *p, float width, char *line)
{
    const char *rest = textbox_take_line(p, width, kFontSize, line);
    if (*rest == '\0' || rest == p) return rest;
    const char *cut = rest;
    if (word_byte(*cut) && word_byte(cut[-1])) {
        while (cut > p && word_byte(cut[-1])) --cut;
    } else if (no_line_start(cut)) {
        --cut;
        while (cut > p && (static_cast<unsigned char>(*cut) & 0xC0) == 0x80) --cut;
    }
    if (cut == p) return rest;
    line[cut - p] = '\0';
    return cut;
}

// Wraps every entry to the list's width and breaks the list into pages. An
// entry starts a new page when it would not fit the rest of one; one taller
// than a whole page runs on over the next.
void lay_out()
{
    s_lines.clear();
    s_pageStarts.assign(1, 0);
    float y = 0.0f;
    const float pageHeight = kListBottom - kListTop;
    for (size_t e = 0; e < s_entries.size(); ++e) {
        const Entry &entry = s_entries[e];
        const float left = entry.kind == ENTRY_NOTE ? kListLeft : kTextLeft;
        const size_t first = s_lines.size();
        const char *text = entry.text.c_str();
        char line[kTextboxLineSize];
        for (const char *p = text; *p != '\0';) {
            const char *rest = take_panel_line(p, kListRight - left, line);
            s_lines.push_back(ListLine{static_cast<int>(e), static_cast<int>(p - text), static_cast<int>(rest - p), 0});
            p = rest;
            while (*p == ' ') ++p;  // a line does not begin with the space it broke at
        }
        const size_t count = s_lines.size() - first;
        const float height = static_cast<float>(count) * kLineAdvance;
        if (y > 0.0f && y + height > pageHeight && height <= pageHeight) {
            s_pageStarts.push_back(static_cast<int>(first));
            y = 0.0f;
        }
        for (size_t i = first; i < s_lines.size(); ++i) {
            if (y > 0.0f && y + kLineAdvance > pageHeight) {
                s_pageStarts.push_back(static_cast<int>(i));
                y = 0.0f;
            }
            s_lines[i].y = y;
            y += kLineAdvance;
        }
        y += kEntryGap;
    }
    if (s_page >= problems_page_count()) s_page = problems_page_count() - 1;
}

const char *plural(size_t n) { return n == 1 ? "" : "s"; }

void draw_heading()
{
    char heading[256];
    const bool cut = g_sourceProblems.errorsCut;
    if (s_errorCount > 0 && s_warningCount > 0)
        snprintf(heading, sizeof heading, kHeadingBoth, s_errorCount, cut ? kOrMore : "", s_warningCount, s_errorCount,
                 cut ? kOrMoreEnglish : "", plural(s_errorCount), s_warningCount, plural(s_warningCount));
    else if (s_errorCount > 0)
        snprintf(heading, sizeof heading, kHeadingErrors, s_errorCount, cut ? kOrMore : "", s_errorCount,
                 cut ? kOrMoreEnglish : "", plural(s_errorCount));
    else
        snprintf(heading, sizeof heading, kHeadingWarnings, s_warningCount, s_warningCount, plural(s_warningCount));
    draw_text_center(heading, 62.0f, 22.0f, s_errorCount > 0 ? kColorRed : kColorYellow);
    draw_text_center(s_errorCount > 0 ? kAdviceErrors : kAdviceWarnings, 100.0f, kFontSize, kColorMuted);
    DrawLine(static_cast<int>(kListLeft), 128, static_cast<int>(kListRight), 128, kRule);
}

void draw_chip(const char *label, float y, Color fill)
{
    const Rectangle chip{kListLeft, y - 1.0f, 44.0f, kFontSize + 4.0f};
    DrawRectangleRounded(chip, 0.4f, 6, fill);
    const float width = MeasureTextEx(g_fontJP, label, 14.0f, kTextSpacing).x;
    DrawTextEx(g_fontJP, label, Vector2{chip.x + (chip.width - width) * 0.5f, y + 1.0f}, 14.0f, kTextSpacing,
               kColorWhite);
}

void draw_page()
{
    const int begin = s_pageStarts[static_cast<size_t>(s_page)];
    const int end = s_page + 1 < problems_page_count() ? s_pageStarts[static_cast<size_t>(s_page) + 1]
                                                       : static_cast<int>(s_lines.size());
    char text[kTextboxLineSize];
    for (int i = begin; i < end; ++i) {
        const ListLine &line = s_lines[static_cast<size_t>(i)];
        const Entry &entry = s_entries[static_cast<size_t>(line.entry)];
        const float y = kListTop + line.y;
        if (line.begin == 0 && entry.kind == ENTRY_ERROR) draw_chip(kChipError, y, kErrorChip);
        if (line.begin == 0 && entry.kind == ENTRY_WARNING) draw_chip(kChipWarning, y, kWarningChip);
        memcpy(text, entry.text.c_str() + line.begin, static_cast<size_t>(line.length));
        text[line.length] = '\0';
        const float x = entry.kind == ENTRY_NOTE ? kListLeft : kTextLeft;
        DrawTextEx(g_fontJP, text, Vector2{x, y}, kFontSize, kTextSpacing,
                   entry.kind == ENTRY_NOTE ? kColorMuted : kColorWhite);
    }
}

// A page button: a button while there is a page that way, a dim plate that
// takes no click otherwise.
bool page_button(const char *label, const Rectangle &rect, bool usable)
{
    if (usable) return draw_button(label, rect, Color{30, 60, 120, 255}, kColorWhite, 18.0f);
    DrawRectangleRounded(rect, 0.25f, 8, Color{36, 40, 64, 255});
    DrawRectangleRoundedLines(rect, 0.25f, 8, Color{70, 76, 110, 255});
    const Vector2 size = MeasureTextEx(g_fontJP, label, 18.0f, kTextSpacing);
    DrawTextEx(g_fontJP, label, Vector2{rect.x + (rect.width - size.x) * 0.5f, rect.y + (rect.height - size.y) * 0.5f},
               18.0f, kTextSpacing, Color{90, 96, 130, 255});
    return false;
}

// The title stays visible, dimmed, around the opaque panel. Only what the
// panel leaves is blended (with its corners, under their rounding): a
// blended fill of the whole window would cost the software renderer about
// 5 ms a frame.
void dim_around_panel()
{
    const Color dim{0, 0, 0, 150};
    const Rectangle &p = kProblemsPanel;
    const float right = p.x + p.width, bottom = p.y + p.height;
    DrawRectangleRec(Rectangle{0.0f, 0.0f, static_cast<float>(kWindowWidth), p.y}, dim);
    DrawRectangleRec(Rectangle{0.0f, bottom, static_cast<float>(kWindowWidth), kWindowHeight - bottom}, dim);
    DrawRectangleRec(Rectangle{0.0f, p.y, p.x, p.height}, dim);
    DrawRectangleRec(Rectangle{right, p.y, kWindowWidth - right, p.height}, dim);
    const float r = kPanelRoundness * p.height * 0.5f + 1.0f;
    for (const Vector2 corner :
         {Vector2{p.x, p.y}, Vector2{right - r, p.y}, Vector2{p.x, bottom - r}, Vector2{right - r, bottom - r}})
        DrawRectangleRec(Rectangle{corner.x, corner.y, r, r}, dim);
}

bool enter_pressed() { return IsKeyPressed(KEY_ENTER) || IsKeyPressed(KEY_KP_ENTER) || IsKeyPressed(KEY_SPACE); }

}  // namespace

void problems_open(bool canPlay)
{
    s_entries.clear();
    add_listed(ENTRY_ERROR, g_sourceProblems.errors, g_sourceProblems.unlistedErrors, &s_errorCount);
    add_listed(ENTRY_WARNING, g_sourceProblems.warnings, g_sourceProblems.unlistedWarnings, &s_warningCount);
    const size_t listedErrors =
        g_sourceProblems.errors.size() < kProblemsListedMax ? g_sourceProblems.errors.size() : kProblemsListedMax;
    const size_t listedWarnings = s_entries.size() - listedErrors;
    add_note(kMoreErrors, s_errorCount - listedErrors);
    if (g_sourceProblems.errorsCut) s_entries.push_back(Entry{ENTRY_NOTE, kErrorsCut});
    add_note(kMoreWarnings, s_warningCount - listedWarnings);
    s_canPlay = canPlay && s_errorCount == 0;
    s_page = 0;
    s_open = true;
    SetExitKey(KEY_NULL);
}

void problems_close()
{
    if (!s_open) return;
    s_open = false;
    s_entries.clear();
    s_lines.clear();
    SetExitKey(KEY_ESCAPE);
}

bool problems_is_open() { return s_open; }

const char *problems_words()
{
    static std::string words;
    if (words.empty())
        for (const char *word : kWords) words += word;
    return words.c_str();
}

int problems_page() { return s_page; }

int problems_page_count() { return static_cast<int>(s_pageStarts.size()); }

ProblemsAction problems_frame(bool takeInput)
{
    if (!s_open) return PROBLEMS_STAY;
    // Laid out each frame: the widths are the font's, which a load may replace.
    lay_out();

    dim_around_panel();
    DrawRectangleRounded(kProblemsPanel, kPanelRoundness, 8, kPanelFill);
    DrawRectangleRoundedLines(kProblemsPanel, kPanelRoundness, 8, s_errorCount > 0 ? kColorRed : kColorYellow);
    draw_heading();
    draw_page();

    const int pages = problems_page_count();
    bool prev = false, next = false;
    if (pages > 1) {
        prev = page_button(kPrev, kProblemsPrevButton, s_page > 0);
        next = page_button(kNext, kProblemsNextButton, s_page + 1 < pages);
        char counter[32];
        snprintf(counter, sizeof counter, "%d / %d", s_page + 1, pages);
        const float width = MeasureTextEx(g_fontJP, counter, 18.0f, kTextSpacing).x;
        const float middle = (kProblemsPrevButton.x + kProblemsPrevButton.width + kProblemsNextButton.x) * 0.5f;
        DrawTextEx(g_fontJP, counter, Vector2{middle - width * 0.5f, 540.0f}, 18.0f, kTextSpacing, kColorWhite);
    }
    const bool play = s_canPlay && draw_button(kPlay, kProblemsPlayButton, Color{40, 90, 50, 255}, kColorWhite, 18.0f);
    const bool close = draw_button(kClose, kProblemsCloseButton, Color{60, 64, 96, 255}, kColorWhite, 18.0f);
    const bool closeMark = draw_button(kCloseMark, kProblemsCloseMark, kPanelFill, kColorMuted, 22.0f);
    if (!takeInput) return PROBLEMS_STAY;

    if (prev || IsKeyPressed(KEY_PAGE_UP) || IsKeyPressed(KEY_LEFT) || IsKeyPressed(KEY_UP)) {
        if (s_page > 0) --s_page;
    }
    if (next || IsKeyPressed(KEY_PAGE_DOWN) || IsKeyPressed(KEY_RIGHT) || IsKeyPressed(KEY_DOWN)) {
        if (s_page + 1 < pages) ++s_page;
    }
    if (play || (s_canPlay && enter_pressed())) {
        problems_close();
        return PROBLEMS_PLAY;
    }
    const bool outside =
        IsMouseButtonPressed(MOUSE_BUTTON_LEFT) && !CheckCollisionPointRec(GetMousePosition(), kProblemsPanel);
    if (close || closeMark || outside || IsKeyPressed(KEY_ESCAPE)) {
        problems_close();
        return PROBLEMS_DISMISS;
    }
    return PROBLEMS_STAY;
}
