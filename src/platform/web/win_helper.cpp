// SPDX-License-Identifier: MIT
// The operating-system services behind the win_ names in the browser. The
// page (packaging/web/index.html) does the browser's part: its file picker,
// dropped files and the ?set= download all copy the chosen file into the
// in-memory file system under /sets/ and hand its path over; the game takes it
// with sys_take_arrived_file, on each frame of its title. The page's own
// messages (a set it could not fetch, read or take) come the same way and
// are shown as the title's message. Nothing here blocks: the picker answers
// frames after the click that opened it. The embedded resources are the
// compiled-in table (resource_table.cpp).
#include "win_helper.h"

#include <emscripten/emscripten.h>

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include "ascii.h"
#include "dialog_filters.h"
#include "font_jp.h"
#include "quiz_data.h"
#include "utf8.h"

namespace {

// Opens the page's file picker for the given accept list (".zip,.pzq,…").
// Browsers open a picker only in answer to the player's click or key; the
// game asks in the frame that saw the click, well inside that allowance.
// Outside a page (the tests under Node) there is no picker.
EM_JS(void, web_open_picker, (const char *accept), {
    if (Module.pelzoOpenPicker) Module.pelzoOpenPicker(UTF8ToString(accept));
});

// The oldest thing the page has handed over since the last call, as memory
// the caller frees, or null: one letter, then its text. 'c': the path of a
// file chosen in the picker the game opened; 'o': the path of a set to wait
// for the start button; 'n': a message for the title.
EM_JS(char *, web_take_file, (), {
    var item = Module.pelzoTakeFile ? Module.pelzoTakeFile() : null;
    if (!item) return 0;
    var size = lengthBytesUTF8(item) + 1;
    var buf = _malloc(size);
    if (buf) stringToUTF8(item, buf, size);
    return buf;
});

// Tells the page that a built set waits at `path` to be saved.
EM_JS(void, web_offer_set, (const char *path), {
    if (Module.pelzoOfferSet) Module.pelzoOfferSet(UTF8ToString(path));
});

// Adds the patterns' extensions to `out`, each once: "*.zip;*.pzq" ->
// ".zip,.pzq". False for "*.*", which takes any file.
bool add_extensions(std::string &out, const char *patterns)
{
    for (const char *p = patterns; *p;) {
        const char *end = strchr(p, ';');
        if (!end) end = p + strlen(p);
        const std::string pattern(p, end);
        if (pattern == "*.*") return false;
        const std::string ext = pattern.size() > 1 && pattern[0] == '*' ? pattern.substr(1) : "";
        if (!ext.empty() && ("," + out + ",").find("," + ext + ",") == std::string::npos)
            out += (out.empty() ? "" : ",") + ext;
        p = *end ? end + 1 : end;
    }
    return true;
}

// One filter's extensions; "" for "*.*" (any file).
std::string accept_list(const char *patterns)
{
    std::string out;
    return add_extensions(out, patterns) ? out : "";
}

// What the picker offers: the files of every filter but "All Files", at
// once (a browser's picker shows one list), so a set and a teacher's source
// are both at hand.
std::string picker_accept()
{
    std::string out;
    for (const DialogFilter &filter : kDialogFilters)
        if (!accept_list(filter.patterns).empty()) add_extensions(out, filter.patterns);
    return out;
}

// True when name ends with ext, letters compared without regard to case.
bool ends_with_ignoring_case(const char *name, const std::string &ext)
{
    const size_t n = strlen(name);
    if (ext.size() > n) return false;
    for (size_t i = 0; i < ext.size(); ++i)
        if (ascii_lower(name[n - ext.size() + i]) != ascii_lower(ext[i])) return false;
    return true;
}

// The page's own "Open a set" button offers what the game's picker offers;
// the page learns the list once, as the program starts.
EM_JS(void, web_tell_picker_accept, (const char *accept), { Module.pelzoPickerAccept = UTF8ToString(accept); });
const bool s_pickerAcceptTold = (web_tell_picker_accept(picker_accept().c_str()), true);

// The built set the page offers for saving, kept until the next replaces it.
std::string s_offeredPath;

}  // namespace

int win_set_utf8_codepage()
{
    // The browser's console takes UTF-8.
    return 1;
}

int sys_dialog_filter_accepts(int index, const char *fileName)
{
    if (index < 0 || index >= kDialogFilterCount || !fileName) return 0;
    // The filters are "*.ext" lists or "*.*", which, as on Windows, matches
    // every name, also one without a dot.
    const std::string accept = accept_list(kDialogFilters[index].patterns);
    if (accept.empty()) return 1;
    for (size_t start = 0; start < accept.size();) {
        size_t end = accept.find(',', start);
        if (end == std::string::npos) end = accept.size();
        if (ends_with_ignoring_case(fileName, accept.substr(start, end - start))) return 1;
        start = end + 1;
    }
    return 0;
}

int win_open_file_dialog(char *buf, int bufSize)
{
    if (!buf || bufSize <= 0) return 0;
    // The answer arrives later, through sys_take_arrived_file. Until then
    // this is a cancel.
    web_open_picker(picker_accept().c_str());
    return 0;
}

int sys_take_arrived_file(char *buf, int bufSize)
{
    if (!buf || bufSize <= 0) return 0;
    for (;;) {
        char *item = web_take_file();
        if (!item) return 0;
        const char kind = item[0];
        const char *text = kind != '\0' ? item + 1 : item;
        int result = 0;
        if (kind == 'n') {
            // The title draws its message in the font, which must hold the
            // message's characters.
            utf8_copy_cut(g_errorMsg, sizeof g_errorMsg, text);
            load_font_jp();
        } else if ((kind == 'c' || kind == 'o') && text[0] != '\0') {
            result = utf8_copy_cut(buf, size_t(bufSize), text) == strlen(text) ? 1 : 2;
            if (kind == 'o') result += 2;
        }
        free(item);
        if (result != 0) return result;
    }
}

int win_set_taskbar_icon(const char *)
{
    // A page has no window icon of its own: the tab shows the page's icon.
    return 0;
}

void sys_tell_no_japanese_font(const char *hint, bool)
{
    fprintf(stderr, "pelzowin: no Japanese font found; %s\n", hint);
}

void sys_offer_built_set(const char *fileName, const std::string &bytes)
{
    // The page reads the file from the in-memory file system when the
    // teacher asks to save it; the one before is removed, so only one built
    // set takes memory.
    if (!fileName || !fileName[0] || strchr(fileName, '/')) return;
    const std::string path = std::string("/built/") + fileName;
    if (!s_offeredPath.empty() && s_offeredPath != path) remove(s_offeredPath.c_str());
    s_offeredPath.clear();
    EM_ASM({
        try {
            FS.mkdir('/built');
        } catch (e) {
        }
    });
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (fclose(f) != 0 || !written) {
        remove(path.c_str());
        return;
    }
    s_offeredPath = path;
    web_offer_set(path.c_str());
}
