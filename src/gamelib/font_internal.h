// SPDX-License-Identifier: MIT
// font_internal: a look inside a Font's atlas, for the game library's own files
// and its tests. Game code never includes it.
//
// Offers the page layout of a font (how many atlas pages, their sizes, which
// page a glyph sits on), the coverage bytes of a page while they are still in
// CPU memory, the line ascender, and a way to build the library's default-style
// font from a chosen file. Reads only; never changes a font.
#pragma once

#include "gamelib.h"

// Number of atlas pages (0 for a zeroed Font).
int gl_font_page_count(Font font);
// Size of page `page`; 0 x 0 when out of range.
void gl_font_page_size(Font font, int page, int *width, int *height);
// Page of glyph `index` (an index into font.glyphs); -1 when out of range.
int gl_font_glyph_page(Font font, int index);
// 8-bit coverage of a page, row after row, while it has not been uploaded to a
// texture yet (fonts made before a window exists); null otherwise.
const unsigned char *gl_font_page_pixels(Font font, int page);
// Texture id of a page once uploaded (page 0's is font.texture.id); 0 otherwise.
unsigned int gl_font_page_texture(Font font, int page);
// The pixel size the glyphs were rasterised at (the base size, or larger for
// a scaled output: IsFontRasterStale); 0 for a zeroed Font.
int gl_font_raster_size(Font font);
// Pixels from the top of a line to the baseline, at baseSize.
int gl_font_ascender(Font font);

// Builds a font the way GetFontDefault builds the built-in one (printable ASCII
// at 10 px) but from `path`; a null path or a file that does not load gives
// the box font used when the system has no font at all. The result is an
// ordinary font: release it with UnloadFont.
Font gl_font_load_default_from(const char *path);
