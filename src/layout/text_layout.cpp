// SPDX-License-Identifier: MIT
#include "text_layout.h"

int textbox_char_length(const char *s)
{
    const unsigned char b = static_cast<unsigned char>(s[0]);
    if (b == 0) return 0;
    int len = 1;
    if ((b & 0xE0) == 0xC0)
        len = 2;
    else if ((b & 0xF0) == 0xE0)
        len = 3;
    else if ((b & 0xF8) == 0xF0)
        len = 4;
    for (int i = 1; i < len; ++i) {
        if (s[i] == '\0') return i;
    }
    return len;
}
