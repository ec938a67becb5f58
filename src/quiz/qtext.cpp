// SPDX-License-Identifier: MIT
// The text question member: a genre-name line, then six lines per question,
// in Shift-JIS, split by the shared splitter with the game's rules.
#include <cstdlib>

#include "quiz_load.h"
#include "text_lines.h"

bool parse_qtext_member(const unsigned char *data, uint32_t length, GENRE_DATA *genre)
{
    if (!genre || (!data && length > 0)) return false;
    TextLines split = split_text_lines(reinterpret_cast<const char *>(data), length, kMemberLineBytes, kMemberMaxLines);
    drop_trailing_empty_lines(split);
    const int lines = static_cast<int>(split.lines.size());
    if (lines <= kChoices || (lines - 1) % kLinesPerQuestion != 0) return false;

    const int q = (lines - 1) / kLinesPerQuestion;
    auto *items = static_cast<QUIZ_ITEM *>(malloc(static_cast<size_t>(q) * sizeof(QUIZ_ITEM)));
    if (!items) return false;

    convert_sjis_into(split.lines[0].text.c_str(), genre->name);
    for (int k = 0; k < q; ++k) {
        const int first = 1 + kLinesPerQuestion * k;
        convert_sjis_into(split.lines[first].text.c_str(), items[k].text);
        for (int c = 0; c < kChoices; ++c)
            convert_sjis_into(split.lines[first + 1 + c].text.c_str(), items[k].choice[c]);
    }
    genre->items = items;
    genre->count = q;
    return true;
}
