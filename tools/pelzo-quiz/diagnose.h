// SPDX-License-Identifier: MIT
// diagnose: explains a failed load to a quiz author.
//
// Runs after the game's own loader has failed, on what it failed on
// (last_load_outcome). It re-reads the file on its own and writes, to stderr, lines
// that say where and why: the member, its line count against 1 + 6n, the byte
// offset and record of a short .pzq, a byte-order mark or UTF-8 text, the
// compression method of a refused member. It never changes what the loader
// does and never touches the genre table.
#pragma once

void diagnose_failure(const char *path);

// After a successful load of a ZIP set, warns on stderr: when the archive is
// truncated (the genres before the cut were read), when a qtext member the
// game found cannot be read and its genre is left out (bad CRC, encrypted,
// damaged), and when a member is UTF-8 (or carries a byte-order mark) and will
// show garbled. Prints nothing for a .pzq file or a sound set.
void warn_after_load(const char *path);

// Loads the set at path with the game's loader, reading the file once, and
// explains the load from that one reading (the file may change meanwhile):
// on failure the game's message and diagnose_failure's lines on stderr, on
// success warn_after_load's warnings. True when the set loaded.
bool load_and_explain(const char *path);
