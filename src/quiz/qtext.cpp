// The text question member: a genre-name line, then six lines per question,
// in Shift-JIS. Lines are split into one fixed table reused for every member.
#include <cstdlib>
#include <cstring>

#include "codepage.h"
#include "quiz_load.h"

namespace {

constexpr int kMaxLines = 1024;
constexpr int kLineBytes = kTextSize - 1;  // 511 bytes of text, then the NUL

// The line table (512 KiB), shared by every member.
char s_lines[kMaxLines][kTextSize];

// Splits the member into s_lines. Returns the number of lines taken.
int split_lines(const unsigned char *data, uint32_t length)
{
    int count = 0;
    int len = 0;        // bytes in the current line
    bool open = false;  // the current line holds at least one byte
    for (uint32_t i = 0; i < length && count < kMaxLines; ++i) {
        const unsigned char b = data[i];
        if (b == 0x0D) continue;
        if (b == 0x0A) {
            s_lines[count][len] = '\0';
            ++count;
            len = 0;
            open = false;
            continue;
        }
        s_lines[count][len++] = static_cast<char>(b);
        open = true;
        if (len == kLineBytes) {
            s_lines[count][len] = '\0';
            ++count;
            len = 0;
            open = false;
        }
    }
    if (open && count < kMaxLines) {
        s_lines[count][len] = '\0';
        ++count;
    }
    return count;
}

// Converts straight into the 512-byte slot and zero-fills the rest of it:
// the same bytes as converting into a buffer and strncpy-ing that over.
void convert_line(int line, char *slot)
{
    win_sjis_to_utf8(s_lines[line], slot, kTextSize);
    const size_t len = strnlen(slot, kTextSize - 1);
    memset(slot + len, 0, kTextSize - len);
}

}  // namespace

bool parse_qtext_member(const unsigned char *data, uint32_t length, GENRE_DATA *genre)
{
    if (!genre || (!data && length > 0)) return false;
    int lines = split_lines(data, length);
    while (lines > 0 && s_lines[lines - 1][0] == '\0') --lines;
    if (lines <= 5 || (lines - 1) % 6 != 0) return false;

    const int q = (lines - 1) / 6;
    auto *items = static_cast<QUIZ_ITEM *>(malloc(static_cast<size_t>(q) * sizeof(QUIZ_ITEM)));
    if (!items) return false;

    convert_line(0, genre->name);
    for (int k = 0; k < q; ++k) {
        convert_line(1 + 6 * k, items[k].text);
        for (int c = 0; c < 5; ++c) convert_line(2 + 6 * k + c, items[k].choice[c]);
    }
    genre->items = items;
    genre->count = q;
    return true;
}
