// SPDX-License-Identifier: MIT
// The Japanese font: the glyph texts of the interface (and of a loaded quiz
// set), the choice of the font file, and loading it at 36 px.
#include "font_jp.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "font_files.h"
#include "headless.h"
#include "quiz_data.h"
#include "quiz_load.h"
#include "utf8.h"
#include "win_helper.h"

Font g_fontJP{};

namespace {

constexpr int kFontSize = kJapaneseFontSize;
constexpr int kStartupTextBytes = 65536;  // keeps at most 65,535 bytes

// Every printable ASCII character, 0x20-0x7E. The interface strings alone lack
// letters such as q, x, _ and . that the loading messages and file names use
// ("qtext_3.txt", "ZIP_STORED"); without them those would draw as the missing
// glyph box.
constexpr char kPrintableAscii[] =
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";
static_assert(sizeof kPrintableAscii == 0x7F - 0x20 + 1);

// Both glyph texts end with the loading messages (kLoadMessages): the title
// screen shows them after a failed load, and most of their kanji are in no
// interface string.

// The interface strings, rasterised at start-up in this order and again by
// every rebuild.
constexpr const char *kInterfaceStrings[] = {
    "PelzoWin",
    "〜 Pelzoクイズゲーム 〜",
    "ゲームスタート",
    "ZIP/PZQファイルを選択すると問題データを読み込みます",
    "問題データ: ",
    "（読み込み済み）",
    "次の問題 →",
    "次のステージへ",
    "タイトルに戻る",
    "Stage ",
    "クリア！",
    "GAME OVER",
    "正解数: ",
    " / ",
    " 問",
    "第 ",
    "突破ライン: ",
    "秒",
    "【",
    "】",
    "正解数: %d / クリア: %d問",
    "★★★ 全問正解  ★★☆ 高成績クリア  ★☆☆ クリア",
    "ゲームクリア！",
    "①",
    "②",
    "③",
    "④",
    "⑤",
    "★",
    "☆",
    "0123456789",
};

// What only the play screens of a loaded set draw; a rebuild adds these after
// the interface strings, then the set's genre names, questions and choices.
constexpr const char *kQuizOnlyStrings[] = {
    "得点: ", " 点", "（", "）", "| ",
    "…",  // a genre name cut to fit its tag
};

// A glyph text being built: appends follow strncat with a limit of
// (cap - current length), so the text never grows past cap bytes and an append
// that would is cut there, possibly inside a multi-byte character.
struct GlyphText {
    char *buf;
    size_t cap;  // longest text kept; buf holds cap + 1 bytes
    size_t len;
};

void glyph_text_begin(GlyphText &text, char *buf, int bufSize)
{
    text.buf = buf;
    text.cap = size_t(bufSize) - 1;
    text.len = 0;
    buf[0] = '\0';
}

// `maxLen` bounds the read of `s` (a fixed text slot need not be terminated).
void glyph_text_append(GlyphText &text, const char *s, size_t maxLen = size_t(-1))
{
    size_t room = text.cap - text.len;
    size_t n = strnlen(s, room < maxLen ? room : maxLen);
    memcpy(text.buf + text.len, s, n);
    text.len += n;
    text.buf[text.len] = '\0';
}

// --- font file candidates -------------------------------------------------

bool g_useTestCandidates = false;
bool g_hasSetGlyphs = false;  // the font holds a set's characters (rebuild_font_jp), not only the interface's
bool g_toldNoFont = false;  // the missing font was reported on stderr
char g_fileName[512] = "";  // the file name the title shows
char g_panelWords[kPanelWordsBytes] = "";  // font_jp_set_panel_words
std::vector<std::string> s_messageLines;  // font_jp_set_message_lines
std::vector<std::string> g_testCandidates;
std::string g_chosenFile;

// A font record made by this module (zeroed before the first load).
bool font_present(const Font &font) { return font.glyphs || font.texture.id != 0 || font.atlas; }

// Replaces g_fontJP by the font for `codepoints` (the list is released here):
// the first candidate file that FreeType loads. A file that is there but no
// font it can read (damaged, or something else under a font's name) is
// skipped for the next one.
void load_font_for_codepoints(int *codepoints, int count)
{
    // The library ignores an unload of its default font, so a font that came
    // from an earlier fallback is safe to hand over here.
    if (font_present(g_fontJP)) UnloadFont(g_fontJP);
    g_fontJP = Font{};
    g_chosenFile.clear();
    if (!g_useTestCandidates) sys_ready_japanese_fonts(codepoints, count);
    for (const std::string &file :
         existing_files(g_useTestCandidates ? g_testCandidates : japanese_font_candidates())) {
        const Font font = LoadFontEx(file.c_str(), kFontSize, codepoints, count);
        if (IsFontDefault(font)) continue;
        g_fontJP = font;
        g_chosenFile = file;
        break;
    }
    if (g_chosenFile.empty()) {
        g_fontJP = GetFontDefault();
        // The window shows boxes for Japanese then; one line says why, once.
        if (!g_toldNoFont) {
            sys_tell_no_japanese_font(sys_japanese_font_hint(), IsWindowReady() && !IsHeadless());
            g_toldNoFont = true;
        }
    }
    UnloadCodepoints(codepoints);
    SetTextureFilter(g_fontJP.texture, TEXTURE_FILTER_BILINEAR);
}

}  // namespace

int font_jp_startup_text(char *buf, int bufSize)
{
    if (!buf || bufSize <= 0) return 0;
    GlyphText text;
    glyph_text_begin(text, buf, bufSize);
    for (const char *s : kInterfaceStrings) glyph_text_append(text, s);
    glyph_text_append(text, kPrintableAscii);
    for (const char *s : kLoadMessages) glyph_text_append(text, s);
    glyph_text_append(text, g_fileName, sizeof g_fileName);
    glyph_text_append(text, g_errorMsg, sizeof g_errorMsg);
    glyph_text_append(text, g_panelWords, sizeof g_panelWords);
    for (const std::string &line : s_messageLines) glyph_text_append(text, line.c_str());
    return int(text.len);
}

std::vector<int> font_jp_quiz_codepoints()
{
    // A bit per codepoint says which are in the list already: the list grows
    // by each character's first occurrence only, so a set of any size makes a
    // list no longer than its distinct characters.
    std::vector<uint64_t> seen((0x110000 + 63) / 64);
    std::vector<int> list;
    auto add = [&](const char *text, size_t maxLen) {
        // A text slot need not be terminated: it is decoded from a terminated
        // copy, so a character cut at its end is never read past it.
        char slot[kTextSize + 1];
        const char *s = text;
        if (maxLen <= kTextSize) {
            const size_t n = strnlen(text, maxLen);
            memcpy(slot, text, n);
            slot[n] = '\0';
            s = slot;
        }
        for (size_t at = 0; s[at] != '\0';) {
            int size = 1;
            const int cp = GetCodepointNext(s + at, &size);
            at += size_t(size > 0 ? size : 1);
            if (cp < 0 || cp >= 0x110000 || (seen[size_t(cp) / 64] >> (cp % 64) & 1)) continue;
            seen[size_t(cp) / 64] |= uint64_t(1) << (cp % 64);
            list.push_back(cp);
        }
    };
    for (const char *s : kInterfaceStrings) add(s, size_t(-1));
    for (const char *s : kQuizOnlyStrings) add(s, size_t(-1));
    add(kPrintableAscii, size_t(-1));
    for (const char *s : kLoadMessages) add(s, size_t(-1));
    add(g_fileName, sizeof g_fileName);
    add(g_errorMsg, sizeof g_errorMsg);
    add(g_panelWords, size_t(-1));  // always terminated, and longer than a text slot
    for (const std::string &line : s_messageLines) add(line.c_str(), size_t(-1));
    int genres = g_genreCount < 0 ? 0 : (g_genreCount > kMaxGenres ? kMaxGenres : g_genreCount);
    for (int g = 0; g < genres; ++g) {
        const GENRE_DATA &genre = g_genres[g];
        add(genre.name, kTextSize);
        if (!genre.items) continue;
        for (int32_t i = 0; i < genre.count; ++i) {
            const QUIZ_ITEM &item = genre.items[i];
            add(item.text, kTextSize);
            for (const char *choice : item.choice) add(choice, kTextSize);
        }
    }
    return list;
}

void font_jp_set_message_lines(std::vector<std::string> lines) { s_messageLines = std::move(lines); }

void font_jp_set_file_name(const char *name) { utf8_copy_cut(g_fileName, sizeof g_fileName, name ? name : ""); }

void font_jp_set_panel_words(const char *words)
{
    utf8_copy_cut(g_panelWords, sizeof g_panelWords, words ? words : "");
}

void load_font_jp()
{
    g_hasSetGlyphs = false;
    char text[kStartupTextBytes] = {};
    font_jp_startup_text(text, kStartupTextBytes);
    int count = 0;
    int *codepoints = LoadCodepoints(text, &count);
    load_font_for_codepoints(codepoints, count);
}

void rebuild_font_jp()
{
    g_hasSetGlyphs = true;
    std::vector<int> codepoints;
    try {
        codepoints = font_jp_quiz_codepoints();
    } catch (const std::bad_alloc &) {
        return;  // the current font stays; the set's own characters draw as boxes
    }
    // The library takes the list as LoadCodepoints makes it: its own copy.
    int *list = static_cast<int *>(malloc((codepoints.size() + 1) * sizeof(int)));
    if (!list) return;
    std::copy(codepoints.begin(), codepoints.end(), list);
    load_font_for_codepoints(list, int(codepoints.size()));
}

void refresh_font_jp()
{
    if (g_hasSetGlyphs)
        rebuild_font_jp();
    else
        load_font_jp();
}

void set_font_candidates_for_test(const char *const *paths, int count)
{
    g_testCandidates.clear();
    g_useTestCandidates = paths != nullptr;
    g_toldNoFont = false;
    for (int i = 0; paths && i < count; ++i) {
        if (paths[i]) g_testCandidates.emplace_back(paths[i]);
    }
}

const char *font_jp_file() { return g_chosenFile.c_str(); }
