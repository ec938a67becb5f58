// SPDX-License-Identifier: MIT
// The operating-system services behind the win_ names on Linux: GTK 3 for the
// open-file dialog, the game library for the window icon (the embedded
// resources are the compiled-in table of resource_table.cpp, the Japanese
// fonts font_files.h's).
#include "win_helper.h"

#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ascii.h"
#include "dialog_filters.h"
#include "gamelib.h"
#include "resources.h"
#include "sys.h"
#include "utf8.h"

int win_set_utf8_codepage()
{
    // Linux terminals already speak UTF-8; there is no console code page.
    return 1;
}

// ---------------------------------------------------------------------------
// Open-file dialog

namespace {

// GTK's patterns are case-sensitive, and Linux file systems are too, so each
// letter of a Windows pattern becomes a bracket class ("*.zip" becomes
// "*.[zZ][iI][pP]"): a set named "QUIZ.ZIP" is offered like "quiz.zip". On
// Windows "*.*" matches every name, also one without a dot.
std::string gtk_pattern(const std::string &windows)
{
    if (windows == "*.*") return "*";
    std::string out;
    for (char c : windows) {
        const char lower = ascii_lower(c);
        if (lower >= 'a' && lower <= 'z')
            out += std::string("[") + lower + char(lower - 'a' + 'A') + "]";
        else
            out += c;
    }
    return out;
}

GtkFileFilter *make_filter(int index)
{
    GtkFileFilter *filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, kDialogFilters[index].name);
    const std::string patterns = kDialogFilters[index].patterns;
    for (size_t start = 0; start <= patterns.size();) {
        size_t end = patterns.find(';', start);
        if (end == std::string::npos) end = patterns.size();
        gtk_file_filter_add_pattern(filter, gtk_pattern(patterns.substr(start, end - start)).c_str());
        start = end + 1;
    }
    return filter;
}

// gtk_init_check once per process; its answer is remembered, so a missing X
// server costs one attempt only.
bool gtk_ready()
{
    static int state = 0;  // 0 not tried, 1 ready, -1 unavailable
    if (state == 0) {
        // GTK switches the whole process to the user's locale. Its dialog may
        // speak that language, but numbers must keep printing and parsing as
        // they did before ("%.1f" with a point), so LC_NUMERIC is put back.
        char numeric[64] = "C";
        if (const char *cur = setlocale(LC_NUMERIC, nullptr)) snprintf(numeric, sizeof numeric, "%s", cur);
        state = gtk_init_check(nullptr, nullptr) ? 1 : -1;
        setlocale(LC_NUMERIC, numeric);
    }
    return state == 1;
}

void pump_gtk_events()
{
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace

int sys_dialog_filter_accepts(int index, const char *fileName)
{
    if (index < 0 || index >= kDialogFilterCount || !fileName) return 0;
    GtkFileFilter *filter = make_filter(index);
    g_object_ref_sink(filter);
    GtkFileFilterInfo info{};
    info.contains = GtkFileFilterFlags(GTK_FILE_FILTER_FILENAME | GTK_FILE_FILTER_DISPLAY_NAME);
    info.filename = fileName;
    info.display_name = fileName;
    int accepted = gtk_file_filter_filter(filter, &info) ? 1 : 0;
    g_object_unref(filter);
    return accepted;
}

int win_open_file_dialog(char *buf, int bufSize)
{
    if (!buf || bufSize <= 0 || !gtk_ready()) return 0;

    GtkFileChooserNative *dialog =
        gtk_file_chooser_native_new(nullptr, nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
    GtkFileChooser *chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_select_multiple(chooser, FALSE);
    GtkFileFilter *first = nullptr;
    for (int i = 0; i < kDialogFilterCount; ++i) {
        GtkFileFilter *filter = make_filter(i);  // the chooser takes ownership
        gtk_file_chooser_add_filter(chooser, filter);
        if (i == 0) first = filter;
    }
    gtk_file_chooser_set_filter(chooser, first);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);

    int result = 0;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        // On Linux a local file name is the path's bytes, UTF-8 on this system.
        if (char *path = gtk_file_chooser_get_filename(chooser)) {
            if (path[0] != '\0') {
                result = utf8_copy_cut(buf, size_t(bufSize), path) == strlen(path) ? 1 : 2;
            }
            g_free(path);
        }
    }
    gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(dialog));
    g_object_unref(dialog);
    // Let GTK unmap the dialog now; the game loop does not run GTK's.
    pump_gtk_events();
    return result;
}

// The dialog answers before it returns: nothing arrives later.
int sys_take_arrived_file(char *, int) { return 0; }

// ---------------------------------------------------------------------------
// Window icon from an icon file

int win_set_taskbar_icon(const char *path)
{
    if (!path || !IsWindowReady()) return 0;
    FILE *file = sys_fopen(path, "rb");
    if (!file) return 0;
    // Icon files are small; anything beyond a few MiB is not one.
    constexpr long kMaxIconBytes = 16L << 20;
    std::vector<unsigned char> bytes;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0) size = ftell(file);
    if (size > 0 && size <= kMaxIconBytes && fseek(file, 0, SEEK_SET) == 0) {
        bytes.resize(size_t(size));
        if (fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    }
    fclose(file);
    if (bytes.empty()) return 0;

    Image image = LoadImageFromMemory(".ico", bytes.data(), int(bytes.size()));
    if (!image.data) return 0;
    SetWindowIcon(image);
    UnloadImage(image);
    return 1;
}

void sys_tell_no_japanese_font(const char *hint, bool)
{
    fprintf(stderr, "pelzowin: no Japanese font found; %s\n", hint);
}

void sys_offer_built_set(const char *, const std::string &)
{
    // A desktop teacher keeps a set with pelzo-quiz pack; nothing to offer.
}
