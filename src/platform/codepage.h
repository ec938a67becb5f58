// codepage: text conversion between code page 932 (Shift-JIS, Windows flavour)
// and UTF-8, on glibc iconv "CP932". Converters are opened once and reused.
//
// Neither function allocates; both always leave dst NUL-terminated when
// dstSize > 0.
#pragma once

// Shift-JIS -> UTF-8. Returns the bytes written including the NUL; 0 when the
// UTF-8 form does not fit (dst then holds the longest whole-character prefix
// that fits); for a source longer than 1023 characters, a raw byte copy cut to
// dstSize - 1, returning the bytes copied. An undecodable character becomes
// "・" and conversion goes on.
int win_sjis_to_utf8(const char *src, char *dst, int dstSize);

// UTF-8 -> Shift-JIS. Returns the bytes written including the NUL. Characters
// code page 932 lacks become '?'. When the source is too long or the result
// does not fit, dst receives the raw UTF-8 bytes cut to dstSize - 1.
int win_utf8_to_sjis(const char *src, char *dst, int dstSize);
