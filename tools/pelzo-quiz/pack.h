// pack: `pelzo-quiz pack -o OUT [--store] GENRE.txt...` builds a quiz set from
// UTF-8 genre files.
//
// OUT ending in ".pzq" (any case) gives a binary quiz file; anything else a
// ZIP of Shift-JIS members qtext_0.txt.. in input order, deflated unless
// --store. Before OUT appears, the new file is read back with the game's own
// readers and every text compared with its source, so a set that packs always
// loads to the same texts. Any problem is reported as "path:line: reason" on
// stderr, exit 1, and nothing is written (the file is built under a temporary
// name and renamed into place only when it checks out). Exit 2 on a usage
// error. On success stdout lists the genres as `check` does.
#pragma once

int pack_command(int argc, char **argv);  // argv[0] is "pack"
