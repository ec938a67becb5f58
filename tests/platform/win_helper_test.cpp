// SPDX-License-Identifier: MIT
// The OS layer on both ports: resource lookup and the dialog's filters. The
// dialog itself and the window icon are tested per port (linux/, windows/).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform_test_util.h"
#include "resource_ids.h"
#include "win_helper.h"

namespace {

uint32_t be32(const unsigned char *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

}  // namespace

// --- embedded resources ---------------------------------------------------

TEST(WinLoadResource, ImagesAreThePngsOfTheirSizes)
{
    SKIP_WITHOUT_EMBEDDED_ASSETS();
    static const unsigned char kPngSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    struct Expect {
        ResourceId id;
        uint32_t width, height;
    };
    for (Expect e : {Expect{kResLogo, 462, 132}, Expect{kResIcon, 64, 64}}) {
        SCOPED_TRACE(e.id);
        uint32_t size = 0;
        auto *p = static_cast<const unsigned char *>(win_load_resource(e.id, &size));
        ASSERT_NE(p, nullptr);
        ASSERT_GT(size, 24u);
        EXPECT_EQ(memcmp(p, kPngSig, 8), 0);
        EXPECT_EQ(memcmp(p + 12, "IHDR", 4), 0);
        EXPECT_EQ(be32(p + 16), e.width);
        EXPECT_EQ(be32(p + 20), e.height);
    }
}

TEST(WinLoadResource, SoundsAreEncodedAsTheirNamesSay)
{
    // WAV on the desktop; the page embeds its sounds as Ogg Vorbis.
    SKIP_WITHOUT_EMBEDDED_ASSETS();
    for (ResourceId id : {kResOpening, kResPlayStart, kResCorrect, kResWrong, kResCountup}) {
        const std::string name = resource_file_name(id);
        SCOPED_TRACE(name);
        uint32_t size = 0;
        auto *p = static_cast<const unsigned char *>(win_load_resource(id, &size));
        ASSERT_NE(p, nullptr);
        ASSERT_GT(size, 44u);
        if (name.ends_with(".wav")) {
            EXPECT_EQ(memcmp(p, "RIFF", 4), 0);
            EXPECT_EQ(memcmp(p + 8, "WAVE", 4), 0);
        } else {
            ASSERT_TRUE(name.ends_with(".ogg"));
            EXPECT_EQ(memcmp(p, "OggS", 4), 0);
        }
    }
}

TEST(WinLoadResource, OnlyTheLow16BitsOfTheIdCount)
{
    SKIP_WITHOUT_EMBEDDED_ASSETS();
    for (int id = kResLogo; id <= kResWrong; ++id) {
        SCOPED_TRACE(id);
        uint32_t plainSize = 0, highSize = 0, negSize = 0;
        const void *plain = win_load_resource(id, &plainSize);
        const void *high = win_load_resource(0x10000 | id, &highSize);
        const void *neg = win_load_resource(int(0xFFFF0000u | uint32_t(id)), &negSize);
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(high, plain);
        EXPECT_EQ(neg, plain);
        EXPECT_EQ(highSize, plainSize);
        EXPECT_EQ(negSize, plainSize);
    }
}

TEST(WinLoadResource, UnknownIdsGiveNullAndLeaveTheSizeAlone)
{
    // 0x10000 and -65536 have low bits 0; -1 is 0xFFFF.
    for (int id : {0, 1, 9, 10, 100, 0xFFFF, 0x10000, -65536, -1, 0x10009}) {
        SCOPED_TRACE(id);
        uint32_t size = 0xDEADBEEF;
        EXPECT_EQ(win_load_resource(id, &size), nullptr);
        EXPECT_EQ(size, 0xDEADBEEFu);
    }
}

// --- the dialog's filters -------------------------------------------------

TEST(WinDialogFilters, FiveFiltersInTheirOrder)
{
    ASSERT_EQ(sys_dialog_filter_count(), 5);
    EXPECT_STREQ(sys_dialog_filter_name(0), "Quiz Files (*.zip;*.pzq)");
    EXPECT_STREQ(sys_dialog_filter_name(1), "ZIP File (*.zip)");
    EXPECT_STREQ(sys_dialog_filter_name(2), "PZQ File (*.pzq)");
    EXPECT_STREQ(sys_dialog_filter_name(3), "問題の表・テキスト (*.xlsx;*.ods;*.csv;*.tsv;*.txt)");
    EXPECT_STREQ(sys_dialog_filter_name(4), "All Files (*.*)");
    EXPECT_EQ(sys_dialog_filter_name(5), nullptr);
    EXPECT_EQ(sys_dialog_filter_name(-1), nullptr);
}

TEST(WinDialogFilters, ExtensionsMatchWithoutRegardToCase)
{
    struct Case {
        const char *name;
        int quiz, zip, pzq, sources, all;
    };
    const Case cases[] = {
        {"set.zip", 1, 1, 0, 0, 1},   {"SET.ZIP", 1, 1, 0, 0, 1}, {"問題.Zip", 1, 1, 0, 0, 1},
        {"set.pzq", 1, 0, 1, 0, 1},   {"SET.PZQ", 1, 0, 1, 0, 1}, {"set.txt", 0, 0, 0, 1, 1},
        {"問題.XLSX", 0, 0, 0, 1, 1}, {"b.ods", 0, 0, 0, 1, 1},   {"t.Csv", 0, 0, 0, 1, 1},
        {"t.tsv", 0, 0, 0, 1, 1},     {"b.xls", 0, 0, 0, 0, 1},   {"set.zip.bak", 0, 0, 0, 0, 1},
        {"set.zipx", 0, 0, 0, 0, 1},  {"zip", 0, 0, 0, 0, 1},     {"README", 0, 0, 0, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sys_dialog_filter_accepts(0, c.name), c.quiz);
        EXPECT_EQ(sys_dialog_filter_accepts(1, c.name), c.zip);
        EXPECT_EQ(sys_dialog_filter_accepts(2, c.name), c.pzq);
        EXPECT_EQ(sys_dialog_filter_accepts(3, c.name), c.sources);
        EXPECT_EQ(sys_dialog_filter_accepts(4, c.name), c.all);
    }
    EXPECT_EQ(sys_dialog_filter_accepts(5, "set.zip"), 0);
    EXPECT_EQ(sys_dialog_filter_accepts(0, nullptr), 0);
}
