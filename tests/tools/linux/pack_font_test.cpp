// SPDX-License-Identifier: MIT
// The font pack measures with is the game's Japanese font, never a stand-in:
// on a system whose fonts are Latin only (fontconfig still answers with one)
// and with a junk file at a Windows font path below the working folder
// (a relative path on Linux), pack finds no Japanese font and says so.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tool_run.h"

using ::testing::HasSubstr;

TEST(PackFont, NeitherALatinOnlyFontNorAFileInTheWorkingFolderIsTheJapaneseOne)
{
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu";
    if (!std::filesystem::exists(dejavu + "/DejaVuSans.ttf")) GTEST_SKIP() << "needs fonts-dejavu-core";
    const std::string conf = fixture::write_file(
        "latin_only/fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><dir>" + dejavu + "</dir><cachedir>" +
                                     fixture::out_path("latin_only/cache") + "</cachedir></fontconfig>\n");
    std::error_code ec;  // another test may make or remove the same folder meanwhile
    std::filesystem::create_directories("C:/Windows/Fonts", ec);
    std::ofstream("C:/Windows/Fonts/yumindb.ttf") << "junk";
    const std::string src = fixture::write_file("latin_only/g.txt", fixture::lines(fixture::genre_lines("G", 1)));

    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
    const ToolRun r = run_tool({"pack", "-o", fixture::out_path("latin_only/g.zip"), src});
    unsetenv("FONTCONFIG_FILE");
    std::filesystem::remove_all("C:", ec);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("warning: no Japanese font found"));
    EXPECT_EQ(r.err.find("C:/Windows"), std::string::npos) << r.err;
}
