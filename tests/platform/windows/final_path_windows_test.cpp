// SPDX-License-Identifier: MIT
// The path a link resolves to, as the Windows port writes it: the final path
// name's \\?\ prefix dropped, for a drive's path and a share's alike.
#include <gtest/gtest.h>

#include <string>

#include "windows/wide.h"

TEST(FinalPath, ThePrefixGoesFromDrivesAndShares)
{
    const std::wstring longTail(MAX_PATH, L'x');
    const struct {
        std::wstring final, plain;
    } cases[] = {
        {L"\\\\?\\C:\\sets\\quiz.zip", L"C:\\sets\\quiz.zip"},
        {L"\\\\?\\UNC\\srv\\share\\quiz.zip", L"\\\\srv\\share\\quiz.zip"},
        {L"\\\\?\\unc\\srv\\share\\x", L"\\\\srv\\share\\x"},
        {L"C:\\sets\\quiz.zip", L"C:\\sets\\quiz.zip"},
        {L"\\\\srv\\share\\x", L"\\\\srv\\share\\x"},
        // Only the prefixed form opens a path this long.
        {L"\\\\?\\C:\\" + longTail, L"\\\\?\\C:\\" + longTail},
        {L"\\\\?\\UNC\\srv\\share\\" + longTail, L"\\\\?\\UNC\\srv\\share\\" + longTail},
    };
    for (const auto &c : cases) EXPECT_EQ(win_plain_path(c.final), c.plain) << win_narrow(c.final.c_str());
}
