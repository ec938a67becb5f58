// SPDX-License-Identifier: MIT
// unpack: writes a set back as the genre files `pack` reads (its options: the
// usage text in unpack.cpp, which --help prints, and the man page), one per
// genre, so a set without sources can be edited and packed again.
//
// The set is loaded with the game's own loader, so what is written is what
// the game shows. Text files are UTF-8 with LF line ends, named
// "N_<genre name>.txt" (N the genre's index, as `check` prints it; the name
// made safe for file names on Linux and Windows): packing them in name order
// gives the set back. With --csv each genre is a CSV table with a header row,
// named by the same rule ("N_<genre name>.csv": pack takes a table's genre
// name from its file name without the index), so `pack DIR/*.csv` gives the
// set back too. With --xlsx the whole set is one workbook named after the
// set ("<set name>.xlsx"), a sheet per genre in genre order, each named after
// its genre and holding a header row and one question per row, every cell a
// text; a genre name no sheet can carry (over 31 characters, one of
// [ ] : * ? / \ or a control character, a ' first or last, "History", or
// alike another under case folding) is written under a changed name and
// named as a problem. (.xlsx rather than .ods: Excel, which
// most schools have, and LibreOffice Calc both open it.) stdout lists the
// files written, in genre order.
//
// Every genre gets its own file: names that a file system ignoring case
// (Windows, macOS) would take for one are told apart by the genre's index.
//
// Every file is then read as `pack` would read it. A text that cannot be
// packed back (an empty text the game accepts, a name no file can carry)
// still leaves its file written; each one is named on stderr as
// "file:line: reason" and the exit code is 1.
//
// DIR is created when absent; a folder that already holds files is refused
// unless --force is given. Files are written only inside DIR: each is created
// anew, or with --force replaces what holds its name (a symbolic link there
// is replaced, never followed). A SET inside DIR under the name of a file to
// write is refused. Genre files already in DIR that this unpack did not write
// (an earlier set's) are named as warnings, never removed, and the exit code
// is 1: packing DIR's files would mix them in. Exit 1 too when a file or the
// list on stdout cannot be written; exit 2 on a usage error.
#pragma once

int unpack_command(int argc, char **argv);  // argv[0] is "unpack"
// The command's usage, as `unpack --help` prints it.
const char *unpack_usage();
