// diagnose: explains a failed load to a quiz author.
//
// Runs after the game's own loader has failed and left its message in
// g_errorMsg. It re-reads the file on its own and writes, to stderr, lines
// that say where and why: the member, its line count against 1 + 6n, the byte
// offset and record of a short .pzq, a byte-order mark or UTF-8 text, the
// compression method of a refused member. It never changes what the loader
// does and never touches the genre table.
#pragma once

void diagnose_failure(const char *path, const char *message);

// After a successful load of a ZIP set: warns on stderr about members that are
// UTF-8 (or carry a byte-order mark) and will show garbled. Prints nothing for
// a .pzq file or a clean set.
void warn_encoding(const char *path);
