// SPDX-License-Identifier: MIT
// Catalogs (compiled here with msgfmt) chosen only by a locale's name, and of
// them only translations taking their English text's printf arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tool_run.h"

namespace {

// Compiles a catalog of these entries (PO text) into dir/LC_MESSAGES.
void write_catalog(const std::string &dir, const std::string &entries)
{
    std::filesystem::create_directories(dir + "/LC_MESSAGES");
    const std::string po = dir + "/pelzo-quiz.po";
    std::ofstream(po) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" << entries;
    ASSERT_EQ(std::system(("msgfmt -o '" + dir + "/LC_MESSAGES/pelzo-quiz.mo' '" + po + "'").c_str()), 0);
}

}  // namespace

TEST(PelzoQuizCatalogs, OnlyALocaleNameChoosesOneAndOnlyMatchingTranslationsAreUsed)
{
    // One where a path leads from the tool's catalog folder; one whose second
    // translation takes arguments its English text does not.
    const std::string planted = fixture::out_path("planted");
    write_catalog(planted, "msgid \"no command given\"\nmsgstr \"PLANTED\"\n");
    const std::string eo = std::string(PELZO_BINARY_DIR) + "/locale/eo";
    write_catalog(eo,
                  "msgid \"no command given\"\nmsgstr \"NENIU\"\n\n"
                  "msgid \"unknown command %s\"\nmsgstr \"%s%s%s%s%s%s%s%s\"\n");
    const std::string up = std::filesystem::relative(planted, std::string(PELZO_BINARY_DIR) + "/locale").string();
    const struct {
        std::string lang;
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {up, {}, "pelzo-quiz: no command given\n"},
        {"eo", {}, "pelzo-quiz: NENIU\n"},
        {"eo", {"bogus"}, "pelzo-quiz: unknown command bogus\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lang);
        const ToolRun r = run_tool_in(c.lang.c_str(), c.args);
        EXPECT_EQ(r.exit, 2);
        EXPECT_THAT(r.err, ::testing::StartsWith(c.err));
    }
    std::filesystem::remove_all(eo);
}
