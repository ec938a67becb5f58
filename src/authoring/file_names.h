// SPDX-License-Identifier: MIT
// File names for a set's genres: a genre name made safe as a file name on
// Linux and Windows, and one distinct name per genre, compared as a file
// system that ignores case compares them.
#pragma once

#include <string>
#include <vector>

// The genre name made safe as a file name on Linux and Windows: the
// characters Windows forbids and control characters become "_", the result
// is cut to 80 bytes at a character boundary, trailing dots and spaces go,
// and a device name (CON, CONIN$, NUL, COM0-9, LPT¹, …) gets a "_". "genre"
// when nothing is left.
std::string genre_file_stem(const char *name);

// The name as a case-insensitive file system compares it: every character
// through Unicode simple case folding. Bytes that are not UTF-8 stay.
std::string fold_file_name(const std::string &name);

// One file name per genre, `wanted[g] + extension` when no other genre's
// name folds alike. Of several that fold alike the first keeps its name; a
// later one gets its index in front ("g_"), and a number behind when that is
// taken too. Decided over all the names at once, so no order of names makes
// two genres share a file.
std::vector<std::string> distinct_file_names(const std::vector<std::string> &wanted, const std::string &extension);
