// SPDX-License-Identifier: MIT
// The operating-system services behind the win_ names on Windows: the console
// code pages, GetOpenFileNameW, the icon file sent to the active window, and
// the RT_RCDATA resources compiled into the executable (windows/pelzowin.rc).
#include "win_helper.h"

#include <windows.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "dialog_filters.h"
#include "utf8.h"
#include "wide.h"

int win_set_utf8_codepage()
{
    // The game has no console of its own, so both usually fail; that is fine.
    SetConsoleOutputCP(CP_UTF8);
    return SetConsoleCP(CP_UTF8);
}

// ---------------------------------------------------------------------------
// Open-file dialog

namespace {

// The filters in the dialog's form: name and pattern pairs, each ended by a
// NUL, the list by one more.
const std::wstring &filter_list()
{
    static std::wstring list;
    if (list.empty()) {
        for (const DialogFilter &f : kDialogFilters) {
            list += win_widen(f.name) + L'\0';
            list += win_widen(f.patterns) + L'\0';
        }
    }
    return list;
}

constexpr int kFileNameUnits = 512;
constexpr DWORD kDialogFlags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
static_assert(kDialogFlags == 0x1800);
static_assert(sizeof(OPENFILENAMEW) == 152, "the 64-bit dialog record");

}  // namespace

int sys_dialog_filter_accepts(int index, const char *fileName)
{
    if (index < 0 || index >= kDialogFilterCount || !fileName) return 0;
    // PathMatchSpecW takes the ';'-separated list and ignores case, as the
    // dialog does.
    return PathMatchSpecW(win_widen(fileName).c_str(), win_widen(kDialogFilters[index].patterns).c_str()) ? 1 : 0;
}

namespace {

// One dialog's state, shared by the game's thread and the dialog's: whoever
// is done with it last frees it.
struct DialogRun {
    LONG owners = 2;
    HANDLE answered = nullptr;  // set once the file is known or the dialog ends
    wchar_t fileName[kFileNameUnits] = {};
    std::wstring chosen;  // the file, as it was at the OK
    OPENFILENAMEW ofn{};
};

void release(DialogRun *run)
{
    if (InterlockedDecrement(&run->owners) > 0) return;
    CloseHandle(run->answered);
    delete run;
}

// The dialog says its file is chosen (CDN_FILEOK) before it takes its window
// down; the file is taken from there, and the game goes on at once.
UINT_PTR CALLBACK dialog_hook(HWND, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_NOTIFY) return 0;
    const auto *notify = reinterpret_cast<const OFNOTIFYW *>(lParam);
    if (notify->hdr.code != CDN_FILEOK) return 0;
    auto *run = reinterpret_cast<DialogRun *>(notify->lpOFN->lCustData);
    // Once answered, the game's thread may be reading the answer.
    if (WaitForSingleObject(run->answered, 0) == WAIT_OBJECT_0) return 0;
    run->chosen = run->fileName;
    SetEvent(run->answered);
    return 0;  // the file is accepted
}

DWORD WINAPI dialog_thread(void *param)
{
    auto *run = static_cast<DialogRun *>(param);
    // A cancel, or a file the hook did not see.
    const bool chosen = GetOpenFileNameW(&run->ofn) != 0;
    if (WaitForSingleObject(run->answered, 0) == WAIT_TIMEOUT) {
        if (chosen) run->chosen = run->fileName;
        SetEvent(run->answered);
    }
    release(run);
    return 0;
}

}  // namespace

int win_open_file_dialog(char *buf, int bufSize)
{
    if (!buf || bufSize <= 0) return 0;
    // The dialog runs on a thread of its own and answers through its hook at
    // the OK: taking its window down can keep GetOpenFileNameW from returning
    // for seconds (under Wine, up to 2 s waiting on the X server's window
    // manager for each window it hides), during which the game would neither
    // draw nor load.
    auto *run = new DialogRun;
    run->answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OPENFILENAMEW &ofn = run->ofn;
    ofn.lStructSize = sizeof ofn;
    // Owned by the game's window, which it keeps disabled while it is open
    // and hands the focus back to when it closes.
    const HWND owner = GetActiveWindow();
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter_list().c_str();
    ofn.lpstrFile = run->fileName;
    ofn.nMaxFile = kFileNameUnits;
    ofn.Flags = kDialogFlags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    ofn.lpfnHook = dialog_hook;
    ofn.lCustData = reinterpret_cast<LPARAM>(run);
    HANDLE thread = run->answered ? CreateThread(nullptr, 0, dialog_thread, run, 0, nullptr) : nullptr;
    if (!thread) {
        if (run->answered) CloseHandle(run->answered);
        delete run;
        return 0;
    }
    CloseHandle(thread);
    // Meanwhile the game's window gets its messages, as in the dialog's own
    // loop when it ran on this thread.
    bool quit = false;
    WPARAM quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &run->answered, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;  // posted again below, for the game's own loop
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    // The game's window takes the keyboard back now, not when the dialog's
    // thread has finished taking its window down.
    if (owner) {
        SetForegroundWindow(owner);
        SetFocus(owner);
    }
    const std::wstring chosen = run->chosen;
    release(run);
    // A path whose UTF-8 form does not fit is cut at a character boundary
    // rather than left unterminated, and reported as such.
    const std::string path = win_narrow(chosen.c_str());
    if (path.empty()) return 0;
    return utf8_copy_cut(buf, size_t(bufSize), path.c_str()) == path.size() ? 1 : 2;
}

// The dialog answers before it returns: nothing arrives later.
int sys_take_arrived_file(char *, int) { return 0; }

// ---------------------------------------------------------------------------
// Window icon from an icon file

int win_set_taskbar_icon(const char *path)
{
    if (!path) return 0;
    // The wide call, so that any UTF-8 path loads.
    HANDLE icon = LoadImageW(nullptr, win_widen(path).c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (!icon) return 0;
    HWND window = GetActiveWindow();
    if (!window) return 0;  // the handle stays loaded, as it would once set
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    return 1;
}

// ---------------------------------------------------------------------------
// Embedded resources

const void *win_load_resource(int id, uint32_t *size)
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id & 0xFFFF), MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(self, found);
    if (!loaded) return nullptr;
    if (size) *size = SizeofResource(self, found);
    return LockResource(loaded);
}

void sys_tell_no_japanese_font(const char *hint, bool shown)
{
    fprintf(stderr, "pelzowin: no Japanese font found; %s\n", hint);
    if (!shown) return;
    MessageBoxW(nullptr,
                L"日本語のフォントが見つからないため、日本語の文字が □ で表示されます。\n"
                L"pelzowin.exe と同じフォルダーに ipam.ttf を戻すか、「設定」→「アプリ」→「オプション機能」で"
                L"日本語の追加フォントを追加してください。\n\n"
                L"No Japanese font was found, so Japanese text shows as boxes. Put ipam.ttf back beside "
                L"pelzowin.exe, or add the Japanese Supplemental Fonts (Settings, Apps, Optional features).",
                L"PelzoWin", MB_OK | MB_ICONWARNING);
}

void sys_offer_built_set(const char *, const std::string &)
{
    // A desktop teacher keeps a set with pelzo-quiz pack; nothing to offer.
}
