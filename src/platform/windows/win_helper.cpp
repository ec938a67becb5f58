// The operating-system services behind the win_ names on Windows: the console
// code pages, GetOpenFileNameW, the icon file sent to the active window, and
// the RT_RCDATA resources compiled into the executable (windows/pelzowin.rc).
#include "win_helper.h"

#include <windows.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>

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

int win_dialog_filter_accepts(int index, const char *fileName)
{
    if (index < 0 || index >= kDialogFilterCount || !fileName) return 0;
    // PathMatchSpecW takes the ';'-separated list and ignores case, as the
    // dialog does.
    return PathMatchSpecW(win_widen(fileName).c_str(), win_widen(kDialogFilters[index].patterns).c_str()) ? 1 : 0;
}

int win_open_file_dialog(char *buf, int bufSize)
{
    if (!buf || bufSize <= 0) return 0;
    wchar_t fileName[kFileNameUnits] = {};
    OPENFILENAMEW ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFilter = filter_list().c_str();
    ofn.lpstrFile = fileName;
    ofn.nMaxFile = kFileNameUnits;
    ofn.Flags = kDialogFlags;
    if (!GetOpenFileNameW(&ofn)) return 0;
    // A path whose UTF-8 form does not fit is cut at a character boundary
    // rather than left unterminated, and reported as such.
    const std::string path = win_narrow(fileName);
    if (path.empty()) return 0;
    return utf8_copy_cut(buf, size_t(bufSize), path.c_str()) == path.size() ? 1 : 2;
}

// The dialog answers before it returns: nothing arrives later.
int win_take_arrived_file(char *, int) { return 0; }

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

void win_tell_no_japanese_font(const char *hint, bool shown)
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
