// SPDX-License-Identifier: MIT
#include "text_lines.h"

TextLines split_text_lines(const char *data, size_t length, size_t pieceBytes, size_t maxLines)
{
    TextLines out;
    std::string current;
    bool open = false;  // the current line holds at least one byte
    int physical = 1;
    size_t physicalLength = 0;
    auto end_line = [&] {
        out.lines.push_back({current, physical});
        current.clear();
        open = false;
    };
    size_t i = 0;
    for (; i < length; ++i) {
        if (maxLines > 0 && out.lines.size() == maxLines) break;
        const char b = data[i];
        if (b == '\r') continue;
        if (b == '\n') {
            end_line();
            if (pieceBytes > 0 && physicalLength >= pieceBytes) out.longLines.push_back({physical, physicalLength});
            ++physical;
            physicalLength = 0;
            continue;
        }
        current += b;
        open = true;
        ++physicalLength;
        if (pieceBytes > 0 && current.size() == pieceBytes) end_line();
    }
    if (open && (maxLines == 0 || out.lines.size() < maxLines)) end_line();
    if (pieceBytes > 0 && physicalLength >= pieceBytes) out.longLines.push_back({physical, physicalLength});
    for (; i < length; ++i) out.moreAfterLimit = out.moreAfterLimit || (data[i] != '\n' && data[i] != '\r');
    return out;
}

void drop_trailing_empty_lines(TextLines &split)
{
    while (!split.lines.empty() && (split.lines.back().text.empty() || split.lines.back().text[0] == '\0'))
        split.lines.pop_back();
}
