// sys: the process services every program needs, with no graphics: the
// command line as UTF-8, files opened by UTF-8 path, and writing a file beside
// another and putting it in its place.
//
// Every path inside the programs is UTF-8. On Linux that is what the system
// hands over and takes. On Windows the command line is read wide and every path
// goes through the wide API, so a name outside the ANSI code page (ü, 한,
// emoji) opens like any other. Nothing here keeps state, except the converted
// command line, which lives as long as the process.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// The arguments as UTF-8, argv[0] included, and their count in *utf8Argc. On
// Linux argv itself; on Windows the wide command line, converted.
char **win_utf8_argv(int argc, char **argv, int *utf8Argc);

// Makes stdout and stderr carry the bytes written, UTF-8 text with LF line
// ends, as on Linux: no CR LF translation, and a console shows them as UTF-8.
// Nothing to do on Linux.
void win_stdio_utf8();

// fopen for a UTF-8 path.
FILE *win_fopen(const char *path, const char *mode);

// A file-system path from UTF-8 text (std::filesystem takes a char string in
// the ANSI code page on Windows).
inline std::filesystem::path win_path(std::string_view utf8)
{
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t *>(utf8.data()), utf8.size()));
}

// True when both paths name one existing file (the same inode, or the same
// file index on the same volume).
bool win_same_file(const char *a, const char *b);

// Writes `size` bytes to a new file beside `target` (same folder, a fresh
// name), with the permissions a new file gets. Returns its path, or "" with
// the reason in *error.
std::string win_write_beside(const std::string &target, const void *data, size_t size, std::string *error);

// Moves `from` over `to` in one step, replacing what is there. False with the
// reason in *error.
bool win_replace_file(const std::string &from, const std::string &to, std::string *error);

// Deletes a file; quietly does nothing when it cannot.
void win_remove_file(const std::string &path);
