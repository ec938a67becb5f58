// SPDX-License-Identifier: MIT
// win_helper: the operating-system services the game needs, behind the names
// the rest of the code calls (the code-page conversions are in codepage.h,
// files and the command line in sys.h). One file per port implements them:
//
// Windows (windows/win_helper.cpp): the console code pages; GetOpenFileNameW;
// the icon file loaded with LoadImageA and sent to the active window as its
// small and big icon; RT_RCDATA resources of the executable, compiled from an
// .rc file.
//
// Linux (linux/win_helper.cpp): console code pages need nothing; the
// open-file dialog is GTK 3's GtkFileChooserNative (modal); the taskbar icon
// is the icon file set as the window icon; resources come from the table
// compiled into the executable (resources.h). The only state kept between
// calls is whether GTK started (it is started once, on the first dialog;
// with no X server every dialog is a cancel). Starting GTK sets the process
// locale from the environment, except LC_NUMERIC, which stays as it was.
//
// The browser (web/win_helper.cpp): the dialog is the page's file picker,
// which answers later, through sys_take_arrived_file; no window icon;
// resources from the compiled-in table, as on Linux.
//
// The Japanese font files (sys_japanese_fonts, sys_japanese_font_hint) are
// font_files.h's, below any graphics, so that pelzo-quiz finds them too.
//
// No function hands the game memory to free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font_files.h"

int win_set_utf8_codepage();

// 1 when a file was chosen: its UTF-8 path is in buf. 2 when a file was
// chosen whose path does not fit: buf holds it cut at a character boundary,
// which names another file. 0 on cancel or failure, buf untouched.
int win_open_file_dialog(char *buf, int bufSize);

// A set the player handed the game outside the dialog's own answer: in the
// browser the file picker answers frames after the click that opened it, and
// a file can be dropped on the page at any time. The title asks on each of
// its frames. As the dialog: 1 with its UTF-8 path in buf, 2 when the path
// does not fit (cut), 0 when nothing has arrived since the last call. 3 (4
// when cut) for a set that is to wait for the start button, as one named on
// the command line does: a dropped file, or one chosen with the page's own
// "open a set" control. On the desktop the dialog answers before it
// returns, so this is always 0. In the browser the page's own messages (a set
// it could not fetch or read) arrive here too: they go into g_errorMsg, which
// the title shows, and count as nothing arrived.
int sys_take_arrived_file(char *buf, int bufSize);

// A set the game built in memory from a teacher's source (a workbook,
// tables or genre texts), offered to be kept: the page shows its "save as
// set" control, which downloads these bytes as `fileName` (a .zip or .pzq
// name). The desktop does nothing: the teacher packs with pelzo-quiz there.
void sys_offer_built_set(const char *fileName, const std::string &bytes);

// Tells the player that no Japanese font could be had, so Japanese text
// draws as boxes: one line on stderr naming `hint`, and on Windows, where
// nobody sees a GUI program's stderr, a message box in Japanese and English
// too when the game's window is `shown` (not headless).
void sys_tell_no_japanese_font(const char *hint, bool shown);

// Loads an icon file and sets it as the window icon. Returns 1 when set, 0 when
// nothing was set (no file, not an icon, or no game window).
int win_set_taskbar_icon(const char *path);

// The bytes of embedded resource `id` (only its low 16 bits count), or null.
// *size is written only when the result is not null.
const void *win_load_resource(int id, uint32_t *size);

// The dialog's file-type filters, in the order offered (the first is
// preselected). For tests: the display name of filter `index` (null when out of
// range), and 1 when that filter shows a file of the given name. Extensions
// match without regard to case, as on Windows.
int sys_dialog_filter_count();
const char *sys_dialog_filter_name(int index);
int sys_dialog_filter_accepts(int index, const char *fileName);
