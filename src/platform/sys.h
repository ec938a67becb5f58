// SPDX-License-Identifier: MIT
// sys: the process services every program needs, with no graphics: the
// command line as UTF-8, files opened by UTF-8 path, and writing a file beside
// another and putting it in its place.
//
// Every path inside the programs is UTF-8. On Linux that is what the system
// hands over and takes. On Windows the command line is read wide and every path
// goes through the wide API, so a name outside the ANSI code page (ü, 한,
// emoji) opens like any other. Nothing here keeps state, except the converted
// command line, which lives as long as the process, and the translation of
// the messages (sys_set_translation).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "format.h"

// The reasons this layer gives (why a file cannot be opened, read or
// written) are English. A program that speaks the user's language sets its
// translation once, at its start: each reason's text, a printf format, goes
// through it before its places are filled. sys_text and sys_message give a
// reason translated; xgettext finds them by those names.
using SysTranslation = const char *(*)(const char *english);
void sys_set_translation(SysTranslation translate);
const char *sys_text(const char *english) __attribute__((format_arg(1)));
std::string sys_message(const char *format, ...) PELZO_PRINTF(1, 2);

// The arguments as UTF-8, argv[0] included, and their count in *utf8Argc. On
// Linux argv itself; on Windows the wide command line, converted.
char **sys_utf8_argv(int argc, char **argv, int *utf8Argc);

// Makes stdout and stderr carry the bytes written, UTF-8 text with LF line
// ends, as on Linux: no CR LF translation. A pipe or a file gets the bytes as
// they are. A console gets the text as UTF-16, whole characters only (a
// character written in pieces is held until it is whole): both streams are
// then unbuffered and reach it in the order written, through a thread that
// an exit handler waits for, and a console control handler too (Ctrl+C,
// Ctrl+Break, the console's window closed; at most 2 s), so that nothing
// written is lost at exit or at a stop.
// Nothing to do on Linux.
void sys_stdio_utf8();

// A path as the system writes it, for the messages and listings that name it:
// on Windows every '/' becomes '\', so that "DIR/" given and a name joined to
// it read "DIR\0_x.txt"; there both separators name the same file, so the
// result also opens what the path did. On Linux the path as it is.
std::string sys_display_path(const std::string &path);

// The folder of the running executable, with a trailing separator ("" when
// unknown): where files shipped beside the program are found.
std::string sys_program_folder();

// fopen for a UTF-8 path.
FILE *sys_fopen(const char *path, const char *mode);

// Opens the file at a UTF-8 path for reading ("rb") only when it is a regular
// file, and never blocks doing so: a directory, a FIFO, a socket or a device
// (on Windows also a pipe or a reserved name such as NUL or CON) is refused.
// *size (when given) receives the file's size. On failure null, with what the
// path names or the system's reason in *why (when given): "is a directory",
// "is a FIFO (named pipe)", "cannot open: No such file or directory", ...
FILE *sys_open_regular(const char *path, uint64_t *size, std::string *why);

// Reads the whole regular file at a UTF-8 path into *bytes when it holds at
// most maxBytes. False otherwise, with the reason in *why (when given): as
// sys_open_regular's, or "is N bytes; at most M are read", "out of memory",
// "cannot read: ...".
bool sys_read_file(const char *path, uint64_t maxBytes, std::string *bytes, std::string *why);

// Reads the first min(size, maxBytes) bytes of the regular file at a UTF-8
// path into *bytes. *size (when given) receives the whole file's size. False
// as sys_read_file, but never for the file's size.
bool sys_read_head(const char *path, uint64_t maxBytes, std::string *bytes, uint64_t *size, std::string *why);

// True when both paths name one existing file (the same inode, or the same
// file index on the same volume).
bool sys_same_file(const char *a, const char *b);

// Where an output file named by a UTF-8 path is written: the path itself, or,
// when it is a symbolic link, the file the link points to (the link stays a
// link). False, with the reason in *why, when what is there is no regular
// file (a directory, a device, a FIFO, a socket: it is left untouched) or a
// file this user may not write. On Linux a link is followed only when this
// user or the owner of the link's folder owns it (as protected_symlinks has
// it for a shared folder such as /tmp), and a link to nothing is refused.
bool sys_output_target(const std::string &path, std::string *target, std::string *why);

// Writes `size` bytes to a new file beside `target`: in its folder, under a
// short fresh name (so a target name up to the system's limit works), with
// target's permissions and owner when it exists and a new file's otherwise.
// Until sys_replace_file or sys_remove_file takes the file, a SIGINT, SIGTERM
// or SIGHUP removes it before the signal ends the process. Returns its path,
// or "" with the reason in *error.
std::string sys_write_beside(const std::string &target, const void *data, size_t size, std::string *error);

// Moves `from` over `to` in one step, replacing what is there. False with the
// reason in *error.
bool sys_replace_file(const std::string &from, const std::string &to, std::string *error);

// Deletes a file; quietly does nothing when it cannot.
void sys_remove_file(const std::string &path);

// A folder that receives files by name. Files are made in the folder that
// was opened, even when its path is renamed or replaced meanwhile, and a name
// in it is never followed through a symbolic link: nothing is written outside
// it. `prefix` is the path as given with a separator after it, for messages.
struct OutFolder {
    std::string prefix;
    intptr_t handle = -1;  // the port's own: a descriptor, or a HANDLE
    std::string opened;  // Windows: the opened folder's final path, which files are made by
};

// Opens the folder at a UTF-8 path, creating it (its parent must exist) when
// nothing is there. False with the reason in *why: "is a file", "cannot
// create the folder: ...", the system's text.
bool sys_open_out_folder(const char *path, OutFolder *folder, std::string *why);

void sys_close_out_folder(OutFolder *folder);

// The names of the folder's entries, "." and ".." left out.
std::vector<std::string> sys_out_folder_entries(const OutFolder &folder);

// Writes `size` bytes as the file `name` in the folder. A new file is created
// exclusively, 0666 less the umask (on Windows with the folder's inherited
// permissions), so a name that appears meanwhile (a file, a symbolic link)
// makes it fail rather than be written through. With `replace`, whatever
// holds the name (a file, or a symbolic link itself, never what it points
// to) is replaced in one step by a file written beside it first; a folder
// there is refused. A stop signal removes a file half written. False with the
// reason in *why.
bool sys_write_in_folder(const OutFolder &folder, const std::string &name, const void *data, size_t size, bool replace,
                         std::string *why);

// True when `name` in the folder is the existing file at the UTF-8 path
// `file` itself: the same inode, or the same file index on the same volume
// (a symbolic link named `name` is not the file it points to).
bool sys_out_folder_holds(const OutFolder &folder, const std::string &name, const char *file);
