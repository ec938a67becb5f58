// SPDX-License-Identifier: MIT
// message_catalog: lookups in a compiled gettext catalog (a GNU .mo file's
// bytes in memory), for the messages the game shows in Japanese whatever the
// locale: the authoring library's, when the game opens a teacher's sources.
//
// The layout is GNU gettext's: a header of 32-bit words in the file's byte
// order (magic 0x950412de), then the tables of original and translated
// strings, each entry a length and an offset; the originals sorted by their
// bytes, so a lookup is a binary search. A plural entry's original is
// "one\0many" and its translation the forms one after the other, NUL
// between; Japanese has one form. A catalog, entry or string reaching past
// the bytes is taken as absent. Nothing is allocated.
#pragma once

#include <cstddef>

// The translation of `english`, or `english` itself when the catalog lacks it.
const char *catalog_text(const unsigned char *mo, size_t size, const char *english);
// The first form of the plural entry of `one` and `many`, or one of those
// (as n is 1 or not) when the catalog lacks it.
const char *catalog_plural(const unsigned char *mo, size_t size, const char *one, const char *many, unsigned long n);

// The Japanese catalog of the tool's and the library's messages (po/ja.po),
// compiled into the game.
extern const unsigned char g_japaneseCatalog[];
extern const size_t g_japaneseCatalogSize;
