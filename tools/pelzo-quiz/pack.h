// SPDX-License-Identifier: MIT
// pack: builds a quiz set from genre files (its options: the usage text in
// pack.cpp, which --help prints, and the man page): UTF-8 text files, or
// CSV/TSV tables of one question per row (genre_source.h), or .xlsx/.ods
// workbooks, each visible sheet with text a table (workbook.h; hidden and
// empty sheets are named on stderr); --name names a single table's genre, or a
// workbook's with one sheet of text; --header and --no-header decide whether a
// table's (or sheet's) first row is a header row. Eight genres in all.
//
// OUT ending in ".pzq" (any case) gives a binary quiz file; anything else a
// ZIP of Shift-JIS members qtext_0.txt.. in input order, deflated unless
// --store. Before OUT appears, the new file is read back with the game's own
// readers and every text compared with its source, so a set that packs always
// loads to the same texts. Any problem is reported as "path:line: reason" (a
// table: "path:row:column: reason", a sheet: "path:sheet:row:column:
// reason") on stderr, exit 1, and nothing is written
// (the file is built under a temporary name and renamed into place only when
// it checks out, and loads as a whole). An input (a genre file or the --font
// file) that is the output file, by any spelling or link, is refused; so is
// input that gives no genre, an OUT ending in an extension pack reads (exit 2:
// SET left out of `pack -o SET DIR/*.txt`), a link to OUT that another user
// planted (sys.h: sys_output_target), and without --force an existing OUT
// that is no set the game loads. Exit 2 on a usage error. A table read as
// Shift-JIS is named on stderr with a note.
//
// Texts the play screen cannot show whole (a question or answer wrapping past
// its box, a genre name its tag cuts, answers that look the same) are warned
// of as "path:line: warning: …", measured in the game's font file (or FILE of
// --font), and so is what reading a genre file found that may be a mistake
// (GenreSource::warnings); the set is still written, unless --strict makes
// them problems. `pack --help` prints the usage to stdout, exit 0.
// On success stdout lists the genres as `check` does.
#pragma once

int pack_command(int argc, char **argv);  // argv[0] is "pack"
// The command's usage, as `pack --help` prints it.
const char *pack_usage();
