// unpack: `pelzo-quiz unpack SET -o DIR [--csv] [--force]` writes a set back
// as the genre files `pack` reads, one per genre, so a set without sources
// can be edited and packed again.
//
// The set is loaded with the game's own loader, so what is written is what
// the game shows. Text files are UTF-8 with LF line ends, named
// "N_<genre name>.txt" (N the genre's index, as `check` prints it; the name
// made safe for file names on Linux and Windows): packing them in name order
// gives the set back. With --csv each genre is a CSV table named after the
// genre ("<genre name>.csv", since a table's genre name is its file name),
// with a header row. stdout lists the files written, in genre order.
//
// Every file is then read as `pack` would read it. A text that cannot be
// packed back (an empty text the game accepts, a name no file can carry)
// still leaves its file written; each one is named on stderr as
// "file:line: reason" and the exit code is 1. DIR is created when absent; a
// folder that already holds files is refused unless --force is given. Exit 2
// on a usage error.
#pragma once

#include <string>

int unpack_command(int argc, char **argv);  // argv[0] is "unpack"

// The genre name made safe as a file name on Linux and Windows: the
// characters Windows forbids and control characters become "_", trailing dots
// and spaces go, a device name (CON, NUL, COM1, …) gets a "_", and the result
// is cut to 80 bytes at a character boundary. "genre" when nothing is left.
std::string genre_file_stem(const char *name);
