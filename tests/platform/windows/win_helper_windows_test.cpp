// SPDX-License-Identifier: MIT
// The Windows port of the OS layer: the game executable's own resources (the
// icon group, the manifest and the raw data), read back with the resource
// API, and the icon file sent to the active window.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "win_helper.h"

namespace {

uint32_t le16(const std::string &s, size_t at) { return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8; }
uint32_t le32(const std::string &s, size_t at) { return le16(s, at) | le16(s, at + 2) << 16; }

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bytes of resource `id` of `type` in module `m`, or "".
std::string resource(HMODULE m, int id, LPCWSTR type)
{
    HRSRC found = FindResourceW(m, MAKEINTRESOURCEW(id), type);
    if (!found) return "";
    HGLOBAL loaded = LoadResource(m, found);
    const char *p = loaded ? static_cast<const char *>(LockResource(loaded)) : nullptr;
    return p ? std::string(p, SizeofResource(m, found)) : "";
}

}  // namespace

TEST(GameExecutable, CarriesTheIconGroupTheManifestAndTheResources)
{
    HMODULE exe = LoadLibraryExW(L"" PELZO_BINARY_DIR "/pelzowin.exe", nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);

    // Icon group 1: six images, 256 px as PNG and the others as 32-bit bitmaps.
    const std::string group = resource(exe, 1, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_EQ(group.size(), 6u + 6 * 14);
    EXPECT_EQ(le16(group, 2), 1u);  // icons, not cursors
    ASSERT_EQ(le16(group, 4), 6u);
    const uint32_t sizes[] = {256, 128, 64, 48, 32, 16};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(sizes[i]);
        const size_t e = 6 + 14 * size_t(i);
        EXPECT_EQ(uint8_t(group[e]) == 0 ? 256u : uint8_t(group[e]), sizes[i]);
        EXPECT_EQ(le16(group, e + 6), 32u);
        const std::string image = resource(exe, int(le16(group, e + 12)), MAKEINTRESOURCEW(3));  // RT_ICON
        ASSERT_EQ(image.size(), le32(group, e + 8));
        if (i == 0) {
            EXPECT_EQ(image.substr(0, 8), "\x89PNG\r\n\x1A\n");
        } else {
            ASSERT_GE(image.size(), 40u);
            EXPECT_EQ(le32(image, 0), 40u);  // BITMAPINFOHEADER
            EXPECT_EQ(le32(image, 4), sizes[i]);
            EXPECT_EQ(le32(image, 8), 2 * sizes[i]);  // the colour rows and the mask
            EXPECT_EQ(le16(image, 14), 32u);
        }
    }

    // Manifest 1: run as the invoker, on Vista to 10.
    const std::string manifest = resource(exe, 1, MAKEINTRESOURCEW(24));  // RT_MANIFEST
    EXPECT_THAT(manifest, ::testing::HasSubstr("level=\"asInvoker\""));
    for (const char *os : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                           "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                           "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_THAT(manifest, ::testing::HasSubstr(std::string("<supportedOS Id=\"{") + os + "}\"/>"));

    // Raw data 2-8: the files of assets/, byte for byte.
    const char *files[] = {"logo.png",          "icon.png",  "openning_8bit.wav", "playstart_8bit.wav",
                           "countup_10sec.ogg", "right.wav", "wrong.wav"};
    for (int id = 2; id <= 8; ++id) {
        SCOPED_TRACE(files[id - 2]);
        const std::string file = read_file(std::string(PELZO_SOURCE_DIR) + "/assets/" + files[id - 2]);
        ASSERT_FALSE(file.empty());
        EXPECT_TRUE(resource(exe, id, MAKEINTRESOURCEW(10)) == file);  // RT_RCDATA
    }
    FreeLibrary(exe);
}

TEST(WinTaskbarIcon, TheIconFileBecomesTheActiveWindowsSmallAndBigIcon)
{
    const char *ico = PELZO_SOURCE_DIR "/assets/pelzo_win.ico";
    ASSERT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(win_set_taskbar_icon(ico), 0) << "no window is active yet";

    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"PelzoIconTest";
    RegisterClassW(&cls);
    HWND window = CreateWindowExW(0, cls.lpszClassName, L"icon test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, cls.hInstance, nullptr);
    if (window) {
        ShowWindow(window, SW_SHOW);
        SetActiveWindow(window);
        for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
    }
    if (!window || GetActiveWindow() != window) {
        if (window) DestroyWindow(window);
        GTEST_SKIP() << "no window can be made active here (Wine without an X display)";
    }

    EXPECT_EQ(win_set_taskbar_icon(PELZO_SOURCE_DIR "/assets/no-such.ico"), 0);
    EXPECT_EQ(win_set_taskbar_icon(PELZO_SOURCE_DIR "/assets/logo.png"), 0);  // not an icon
    EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);

    EXPECT_EQ(win_set_taskbar_icon(ico), 1);
    const LRESULT big = SendMessageW(window, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(big, 0);
    EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), big) << "one handle serves as both";
    DestroyWindow(window);
}
