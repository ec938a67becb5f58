// SPDX-License-Identifier: MIT
// Windows opens the reserved names NUL and CON as devices in any folder and
// with any extension: a set named so is no file and is refused unread, with
// each branch's message.
#include <gtest/gtest.h>

#include "quiz_fixtures.h"
#include "quiz_load.h"

TEST(DeviceNames, ReservedNamesAreNoQuizFiles)
{
    for (const char *name : {"nul.pzq", "NUL.zip", "con.pzq", "CON.zip"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(load_quiz_file(fixture::out_path(name).c_str()));
        EXPECT_STREQ(g_errorMsg, is_pzq_path(name) ? "PZQファイルを開けません" : "有効な問題ファイルが見つかりません");
        EXPECT_EQ(g_genreCount, 0);
    }
}
