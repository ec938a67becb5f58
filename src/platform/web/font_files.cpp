// SPDX-License-Identifier: MIT
// The Japanese font in the browser: a page has no font files of its own, so it
// ships IPA Mincho (the Mincho look of the first Windows font) in two parts,
// each gzip-compressed, which the page's loader puts at /pelzo/fonts/:
//   ipam-1.ttf.gz  the characters most sets use (the game's own strings,
//                  kana, JIS X 0208's symbols and first level of kanji);
//   ipam.ttf.gz    the whole font, which the page fetches only when a glyph
//                  set holds a character part 1 lacks (from file:// the
//                  loader has put it there at start-up).
// Each is inflated here with zlib the first time it is needed. The whole
// font, once there, comes first: one face draws every glyph of a set.
#include "font_files.h"

#include <emscripten/emscripten.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <string>

namespace {

constexpr char kPart1[] = "/pelzo/fonts/ipam-1.ttf";
constexpr char kWhole[] = "/pelzo/fonts/ipam.ttf";

// Asks the page for the whole font's compressed file and waits for it (a
// synchronous request: the glyph set is made in this frame). 1 when the page
// has written it to `path`.
EM_JS(int, web_fetch_whole_font, (const char *path),
      { return Module.pelzoFetchWholeFont ? Module.pelzoFetchWholeFont(UTF8ToString(path)) : 0; });

bool is_file(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

// Inflates path + ".gz" into path and drops the compressed copy. True when
// path is there afterwards.
bool inflate_part(const char *path)
{
    if (is_file(path)) return true;
    const std::string packed = std::string(path) + ".gz";
    const std::string partial = std::string(path) + ".part";
    gzFile in = gzopen(packed.c_str(), "rb");
    if (!in) return false;
    FILE *out = fopen(partial.c_str(), "wb");
    bool ok = out != nullptr;
    static char buf[1 << 16];
    while (ok) {
        const int n = gzread(in, buf, sizeof buf);
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = fwrite(buf, 1, size_t(n), out) == size_t(n);
    }
    gzclose(in);
    if (out && fclose(out) != 0) ok = false;
    ok = ok && rename(partial.c_str(), path) == 0;
    if (!ok) {
        remove(partial.c_str());
        fprintf(stderr, "pelzowin: %s is damaged\n", packed.c_str());
    }
    remove(packed.c_str());
    return ok;
}

// True when part 1 maps every printable codepoint of the list.
bool part1_covers(const int *codepoints, int count)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return true;
    bool covers = true;
    FT_Face face = nullptr;
    if (FT_New_Face(library, kPart1, 0, &face) == 0) {
        for (int i = 0; i < count && covers; ++i)
            covers = codepoints[i] < 0x20 || FT_Get_Char_Index(face, FT_ULong(codepoints[i])) != 0;
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return covers;
}

}  // namespace

const char *sys_japanese_font_hint() { return "the page's folder must hold ipam-1.ttf.gz and ipam-2.ttf.gz"; }

void sys_ready_japanese_fonts(const int *codepoints, int count)
{
    if (!inflate_part(kPart1) || is_file(kWhole) || !codepoints || part1_covers(codepoints, count)) return;
    const std::string packed = std::string(kWhole) + ".gz";
    if (is_file(packed.c_str()) || web_fetch_whole_font(packed.c_str())) inflate_part(kWhole);
}

std::vector<std::string> sys_japanese_fonts() { return {kWhole, kPart1}; }
