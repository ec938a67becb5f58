// SPDX-License-Identifier: MIT
// The Japanese font: its glyph texts and their caps, the choice of the font
// file, and which characters the loaded font holds before and after a rebuild.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "font_jp.h"
#include "win_helper.h"
#include "gamelib_internal.h"  // gl_texture: whether an atlas is still registered
#include "platform_test_util.h"
#include "port.h"
#include "quiz_data.h"
#include "utf8.h"
#include "quiz_load.h"

namespace {

const char *const kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
const char *const kMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";
const char *const kMissingA = "/nonexistent/fonts/a.ttf";
const char *const kMissingB = "/nonexistent/fonts/b.ttf";

std::string printable_ascii()
{
    std::string s;
    for (char c = 0x20; c <= 0x7E; ++c) s += c;
    return s;
}

std::string startup_text()
{
    std::vector<char> buf(65536);
    int n = font_jp_startup_text(buf.data(), int(buf.size()));
    return std::string(buf.data(), size_t(n));
}

// UTF-8 of a codepoint list.
std::string utf8_of(const std::vector<int> &codepoints)
{
    std::string out;
    for (int cp : codepoints) {
        char bytes[4];
        out.append(bytes, utf8_encode(char32_t(cp), bytes));
    }
    return out;
}

// The characters of a UTF-8 text, each once, in the order it first occurs.
std::string distinct(const std::string &utf8)
{
    std::string out;
    std::vector<int> seen;
    for (size_t at = 0; at < utf8.size();) {
        int size = 0;
        const int cp = GetCodepointNext(utf8.c_str() + at, &size);
        at += size_t(size);
        if (std::find(seen.begin(), seen.end(), cp) != seen.end()) continue;
        seen.push_back(cp);
        char bytes[4];
        out.append(bytes, utf8_encode(char32_t(cp), bytes));
    }
    return out;
}

// The rebuild's characters, as UTF-8.
std::string quiz_text() { return utf8_of(font_jp_quiz_codepoints()); }

int codepoint_of(const char *utf8)
{
    int size = 0;
    return GetCodepointNext(utf8, &size);
}

bool font_has(const Font &font, const char *utf8) { return GetGlyphIndex(font, codepoint_of(utf8)) != 0; }

// Fills g_genres for one test and empties it afterwards.
struct GenreTable {
    GenreTable() { free_genres(); }
    ~GenreTable() { free_genres(); }
    GenreTable(const GenreTable &) = delete;
    GenreTable &operator=(const GenreTable &) = delete;

    // Adds a genre of `count` zeroed questions and returns it.
    GENRE_DATA &add(const char *name, int count)
    {
        GENRE_DATA &g = g_genres[g_genreCount++];
        copy_text(g.name, name, kTextSize);
        g.count = count;
        g.items = count > 0 ? static_cast<QUIZ_ITEM *>(calloc(size_t(count), sizeof(QUIZ_ITEM))) : nullptr;
        return g;
    }
};

void set_item(QUIZ_ITEM &item, const char *text, const char *c0, const char *c1, const char *c2, const char *c3,
              const char *c4)
{
    copy_text(item.text, text, kTextSize);
    const char *choices[5] = {c0, c1, c2, c3, c4};
    for (int i = 0; i < 5; ++i) copy_text(item.choice[i], choices[i], kTextSize);
}

}  // namespace

// --- glyph texts ------------------------------------------------------------

TEST(GlyphText, BothTextsHoldTheSharedStringsAndEndWithAsciiAndTheLoadingMessages)
{
    const std::string start = startup_text();
    const std::string quiz = quiz_text();  // no genres loaded
    std::string tail = printable_ascii();
    for (const char *msg : kLoadMessages) tail += msg;

    ASSERT_GE(start.size(), tail.size());
    EXPECT_EQ(start.substr(start.size() - tail.size()), tail);
    const std::string ascii = printable_ascii();

    // Strings 1-17 open both texts; the start-up list goes on with "秒", the
    // quiz list with "得点: ".
    const std::string shared = "PelzoWin〜 Pelzoクイズゲーム 〜ゲームスタート";
    EXPECT_EQ(start.rfind(shared, 0), 0u);
    const size_t sharedEnd = start.find("突破ライン: ") + strlen("突破ライン: ");
    ASSERT_NE(start.find("突破ライン: "), std::string::npos);
    EXPECT_EQ(start.compare(sharedEnd, strlen("秒【】"), "秒【】"), 0);
    EXPECT_NE(start.find("ゲームクリア！①②③④⑤★☆0123456789" + ascii), std::string::npos);
    EXPECT_EQ(start.find("得"), std::string::npos);
    EXPECT_EQ(start.find("点"), std::string::npos);

    // The rebuild's list holds each character once: every character of the
    // start-up text (the loading messages' among them) and of what only the
    // play screens draw.
    EXPECT_EQ(distinct(quiz), quiz);
    EXPECT_EQ(distinct(quiz + start + "得点:  点（）| …"), quiz);
}

TEST(GlyphText, TheSetFollowsGenreByGenreQuestionThenFiveChoices)
{
    GenreTable table;
    const std::string base = quiz_text();
    GENRE_DATA &a = table.add("歴史", 2);
    set_item(a.items[0], "問一", "正", "誤1", "誤2", "誤3", "誤4");
    set_item(a.items[1], "問二", "A", "B", "C", "D", "E");
    table.add("空", 0);  // a genre without questions adds its name only
    GENRE_DATA &c = table.add("地理", 1);
    set_item(c.items[0], "Q", "", "x", "", "y", "z");

    // The set's new characters, each once, after the interface's.
    EXPECT_EQ(quiz_text(), distinct(base + "歴史問一正誤1誤2誤3誤4問二ABCDE空地理Qxyz"));
}

TEST(GlyphText, TextSlotsAreReadNoFurtherThanTheirSize)
{
    GenreTable table;
    const std::string base = quiz_text();
    GENRE_DATA &g = table.add("", 1);
    // No terminator in the slots, and each ends on the first byte of a
    // three-byte character: decoding must stop at the slot's end.
    for (char *slot : {g.name, g.items[0].text, g.items[0].choice[4]}) {
        memset(slot, 'N', kTextSize);
        slot[kTextSize - 1] = '\xE3';
    }
    EXPECT_EQ(quiz_text(), base) << "N and the cut character's '?' are in the interface's list";
}

TEST(GlyphText, TheStartUpTextIsCutLikeStrncatAndEndsWithTheFileName)
{
    // "PelzoWin" is 8 bytes and "〜" three more: a cap of 9 cuts inside it.
    char buf[32];
    memset(buf, 0x55, sizeof buf);
    EXPECT_EQ(font_jp_startup_text(buf, 10), 9);
    EXPECT_EQ(std::string(buf), "PelzoWin\xE3");
    for (size_t i = 10; i < sizeof buf; ++i) ASSERT_EQ(buf[i], 0x55) << "wrote past the buffer at " << i;

    EXPECT_EQ(font_jp_startup_text(buf, 1), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(font_jp_startup_text(buf, 0), 0);

    // The set's file name closes the start-up text and joins the rebuild's
    // list, so a Japanese name on the title is drawn with real glyphs.
    font_jp_set_file_name("漢字クイズ.zip");
    const std::string start = startup_text();
    EXPECT_EQ(start.substr(start.size() - strlen("漢字クイズ.zip")), "漢字クイズ.zip");
    EXPECT_NE(quiz_text().find("漢字"), std::string::npos);
    font_jp_set_file_name("");
}

TEST(GlyphText, GenreCountOutsideTheTableIsClamped)
{
    GenreTable table;
    const std::string empty = quiz_text();
    g_genreCount = -3;
    const std::string none = quiz_text();
    EXPECT_EQ(none, empty);
    g_genreCount = 0;
}

// --- the loaded font ----------------------------------------------------------

class FontJpTest : public HeadlessWindowTest {
protected:
    void SetUp() override
    {
        HeadlessWindowTest::SetUp();
        if (!FileExists(kGothic) || !FileExists(kMincho))
            GTEST_SKIP() << "needs the IPA fonts (fonts-ipafont-gothic, fonts-ipafont-mincho)";
    }
    void TearDown() override
    {
        UnloadFont(g_fontJP);
        g_fontJP = Font{};
        set_font_candidates_for_test(nullptr, 0);
        HeadlessWindowTest::TearDown();
    }
    void use(std::initializer_list<const char *> paths)
    {
        std::vector<const char *> list(paths);
        set_font_candidates_for_test(list.data(), int(list.size()));
    }
};

TEST_F(FontJpTest, TheFirstCandidateThatExistsIsUsed)
{
    use({kMissingA, kGothic, kMincho});
    load_font_jp();
    EXPECT_STREQ(font_jp_file(), kGothic);
    EXPECT_FALSE(IsFontDefault(g_fontJP));
    EXPECT_EQ(g_fontJP.baseSize, 36);
    EXPECT_TRUE(font_has(g_fontJP, "ゲ"));
    UnloadFont(g_fontJP);

    use({kMissingA, kMissingB, kMincho});
    load_font_jp();
    EXPECT_STREQ(font_jp_file(), kMincho);
    EXPECT_TRUE(font_has(g_fontJP, "ゲ"));
    UnloadFont(g_fontJP);

    use({kMincho, kGothic});
    load_font_jp();
    EXPECT_STREQ(font_jp_file(), kMincho);
    UnloadFont(g_fontJP);

    // A file that is there but no font FreeType reads is passed over.
    const std::string junk = std::string(PELZO_TEST_OUT) + "/not_a_font.ttf";
    FILE *f = fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("not a font", f);
    fclose(f);
    use({junk.c_str(), kGothic});
    load_font_jp();
    EXPECT_STREQ(font_jp_file(), kGothic);
    EXPECT_TRUE(font_has(g_fontJP, "ゲ"));
}

// A font collection (.ttc), as current Windows keeps Yu Gothic, Meiryo and
// the MS fonts, is taken by its first face. The collection here wraps a
// single font: the header, then the font with its tables' offsets moved.
TEST_F(FontJpTest, AFontCollectionIsTakenByItsFirstFace)
{
    std::vector<unsigned char> font = read_file(kMincho);
    ASSERT_GT(font.size(), 12u);
    const unsigned header = 16;
    const unsigned tables = unsigned(font[4]) << 8 | font[5];
    ASSERT_LE(12 + 16 * tables, font.size());
    for (unsigned i = 0; i < tables; ++i) {
        unsigned char *offset = &font[12 + 16 * i + 8];
        uint32_t v = uint32_t(offset[0]) << 24 | uint32_t(offset[1]) << 16 | uint32_t(offset[2]) << 8 | offset[3];
        v += header;
        for (int k = 0; k < 4; ++k) offset[k] = static_cast<unsigned char>(v >> (24 - 8 * k));
    }
    std::vector<unsigned char> ttc = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, header};
    ttc.insert(ttc.end(), font.begin(), font.end());
    const std::string path = std::string(PELZO_TEST_OUT) + "/collection.ttc";
    ASSERT_TRUE(write_file(path, ttc));

    use({kMissingA, path.c_str()});
    load_font_jp();
    EXPECT_STREQ(font_jp_file(), path.c_str());
    EXPECT_FALSE(IsFontDefault(g_fontJP));
    EXPECT_TRUE(font_has(g_fontJP, "ゲ"));
    UnloadFont(g_fontJP);
    std::remove(path.c_str());
}

TEST_F(FontJpTest, TheBuiltInListFindsTheSystemsJapaneseFont)
{
    if (kBrowserPort) GTEST_SKIP() << "the page ships its font in its data file, which a test under Node does not load";
    set_font_candidates_for_test(nullptr, 0);
#ifndef _WIN32
    std::error_code ec;  // another test may make or remove the same folder meanwhile
    std::filesystem::create_directories("C:/Windows/Fonts", ec);
    std::ofstream("C:/Windows/Fonts/yumindb.ttf") << "junk";
#endif
    load_font_jp();
#ifndef _WIN32
    std::filesystem::remove_all("C:", ec);
#endif
#ifdef _WIN32
    // The test's Wine prefix holds a Japanese font at the first Windows path.
    EXPECT_STREQ(font_jp_file(), "C:/Windows/Fonts/yumindb.ttf");
#else
    // The Windows font paths are relative paths here: a file at one of them
    // below the working folder is no Japanese font of this system.
    EXPECT_STRNE(font_jp_file(), "");
    EXPECT_EQ(std::string(font_jp_file()).find("C:/Windows"), std::string::npos);
#endif
    EXPECT_TRUE(font_has(g_fontJP, "問"));
}

TEST_F(FontJpTest, TheSetsCharactersArriveOnlyWithTheRebuild)
{
    use({kGothic});
    load_font_jp();
    GenreTable table;
    GENRE_DATA &g = table.add("鬱", 1);
    set_item(g.items[0], "薔薇", "檸檬", "a", "b", "c", "d");

    for (const char *c : {"鬱", "薔", "檬", "得", "点"})
        EXPECT_FALSE(font_has(g_fontJP, c)) << c << " before the rebuild";
    for (const char *c : {"ゲ", "①", "★", "7"}) EXPECT_TRUE(font_has(g_fontJP, c)) << c;

    rebuild_font_jp();
    EXPECT_FALSE(IsFontDefault(g_fontJP));
    for (const char *c : {"鬱", "薔", "檬", "得", "点", "（", "ゲ", "①", "|"})
        EXPECT_TRUE(font_has(g_fontJP, c)) << c << " after the rebuild";
}

TEST_F(FontJpTest, LettersOfTheLoadingMessagesHaveGlyphsBeforeAndAfterARebuild)
{
    use({kGothic});
    const char *letters[] = {"q", "x", "_", ".", "?", "~", " ", "j"};
    load_font_jp();
    for (const char *c : letters) EXPECT_TRUE(font_has(g_fontJP, c)) << "'" << c << "' at start-up";
    GenreTable table;
    table.add("ジャンル", 0);
    rebuild_font_jp();
    for (const char *c : letters) EXPECT_TRUE(font_has(g_fontJP, c)) << "'" << c << "' after a rebuild";
}

// The title shows a failed load's message in whichever font is current: the
// start-up one, or the one rebuilt for an earlier set. Every character of
// every message, formatted as the loader formats it, needs a real glyph.
TEST_F(FontJpTest, EveryLoadingMessageDrawsWithRealGlyphsBeforeAndAfterARebuild)
{
    use({kMincho});
    std::vector<std::string> shown;
    char buf[kErrorMsgSize];
    for (const char *msg : kLoadMessages) {
        if (msg == kMsgGenreAllocFmt) {
            snprintf(buf, sizeof buf, kMsgGenreAllocFmt, 7);
            shown.emplace_back(buf);
        } else if (msg == kMsgFormatErrorFmt) {
            snprintf(buf, sizeof buf, kMsgFormatErrorFmt, "qtext_3.txt");
            shown.emplace_back(buf);
        } else {
            shown.emplace_back(msg);
        }
    }
    auto check_all = [&](const char *when) {
        for (const std::string &msg : shown) {
            int count = 0;
            int *cps = LoadCodepoints(msg.c_str(), &count);
            for (int i = 0; i < count; ++i)
                EXPECT_NE(GetGlyphIndex(g_fontJP, cps[i]), 0)
                    << "U+" << std::hex << cps[i] << " of " << msg << " " << when;
            UnloadCodepoints(cps);
        }
    };
    load_font_jp();
    check_all("at start-up");
    GenreTable table;
    table.add("ジャンル", 0);
    rebuild_font_jp();
    check_all("after a rebuild");
}

TEST_F(FontJpTest, EveryCharacterOfASetBeyondOneMebibyteOfTextIsInTheFont)
{
    use({kGothic});
    load_font_jp();
    // 400 questions of six full slots (510 bytes each): about 1.2 MB of text.
    std::string filler;
    while (filler.size() + 3 <= 510) filler += "亜";
    GenreTable table;
    GENRE_DATA &g = table.add("甲", 400);
    for (int i = 0; i < g.count; ++i)
        set_item(g.items[i], filler.c_str(), filler.c_str(), filler.c_str(), filler.c_str(), filler.c_str(),
                 filler.c_str());
    copy_text(g.items[100].choice[2], "丙", kTextSize);  // about 300 KB in
    copy_text(g.items[399].text, "乙", kTextSize);  // past the first mebibyte

    rebuild_font_jp();
    EXPECT_FALSE(IsFontDefault(g_fontJP));
    for (const char *c : {"甲", "丙", "亜", "乙"}) EXPECT_TRUE(font_has(g_fontJP, c)) << c;
}

TEST_F(FontJpTest, RebuildingAgainReleasesTheFontBefore)
{
    // The library keeps every live font on a list until the window closes, so
    // a font that is replaced but never unloaded is no leak LeakSanitizer could
    // see; its atlas texture still being registered is what shows it.
    use({kGothic});
    load_font_jp();
    const unsigned int startupTexture = g_fontJP.texture.id;
    ASSERT_NE(gl_texture(startupTexture), nullptr);
    GenreTable table;
    GENRE_DATA &g = table.add("再読込", 1);
    set_item(g.items[0], "一", "二", "三", "四", "五", "六");

    rebuild_font_jp();
    const unsigned int firstTexture = g_fontJP.texture.id;
    EXPECT_EQ(gl_texture(startupTexture), nullptr) << "the start-up font was not released";
    ASSERT_NE(gl_texture(firstTexture), nullptr);

    rebuild_font_jp();
    EXPECT_EQ(gl_texture(firstTexture), nullptr) << "the first rebuilt font was not released";
    EXPECT_NE(gl_texture(g_fontJP.texture.id), nullptr);
    EXPECT_TRUE(font_has(g_fontJP, "再"));
    EXPECT_TRUE(font_has(g_fontJP, "六"));
}

// With no candidate, the default font; the bilinear filter is set on its atlas.
// A 10 px glyph drawn 16 times larger shows the filter: nearest sampling makes
// 16-pixel steps, bilinear makes ramps, so far more neighbouring pixels differ.
namespace {

double neighbour_difference(const Font &font)
{
    BeginDrawing();
    ClearBackground(Color{0, 0, 0, 255});
    DrawTextEx(font, "WM", Vector2{100, 100}, 160, 0, Color{255, 255, 255, 255});
    EndDrawing();
    long lit = 0, differ = 0;
    for (int y = 100; y < 260; ++y) {
        for (int x = 100; x < 420; ++x) {
            int a = HeadlessGetPixel(x, y).g, b = HeadlessGetPixel(x + 1, y).g;
            if (a || b) {
                ++lit;
                if (a != b) ++differ;
            }
        }
    }
    return lit ? double(differ) / double(lit) : 0.0;
}

}  // namespace

TEST_F(FontJpTest, WithoutAnyFontFileTheDefaultFontIsUsedWithTheBilinearFilter)
{
    if (kBrowserPort) GTEST_SKIP() << "under Node the runtime prints stderr itself, so a test cannot capture it";
    use({kMissingA, kMissingB});
    Font def = GetFontDefault();
    SetTextureFilter(def.texture, TEXTURE_FILTER_POINT);
    const double point = neighbour_difference(def);
    ASSERT_GT(point, 0.0) << "nothing was drawn";

    ::testing::internal::CaptureStderr();
    load_font_jp();
    load_font_jp();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(IsFontDefault(g_fontJP));
    EXPECT_STREQ(font_jp_file(), "");
    // One line on stderr says so, once per process.
    EXPECT_EQ(said, std::string("pelzowin: no Japanese font found; ") + sys_japanese_font_hint() + "\n");
    const double afterLoad = neighbour_difference(g_fontJP);
    EXPECT_GT(afterLoad, point * 2) << "point " << point << " after load " << afterLoad;

    // A rebuild also falls back, and the default font survives the unload of
    // the font it replaces.
    SetTextureFilter(def.texture, TEXTURE_FILTER_POINT);
    GenreTable table;
    table.add("鬱", 0);
    rebuild_font_jp();
    EXPECT_TRUE(IsFontDefault(g_fontJP));
    const double afterRebuild = neighbour_difference(g_fontJP);
    EXPECT_GT(afterRebuild, point * 2) << "point " << point << " after rebuild " << afterRebuild;
    EXPECT_GT(GetFontDefault().glyphCount, 0);

    // From the default font to a real one: the default is left alone.
    use({kGothic});
    rebuild_font_jp();
    EXPECT_FALSE(IsFontDefault(g_fontJP));
    EXPECT_TRUE(font_has(g_fontJP, "鬱"));
    EXPECT_GT(GetFontDefault().glyphCount, 0);
    EXPECT_GT(MeasureTextEx(GetFontDefault(), "abc", 10, 1).x, 0);
}
