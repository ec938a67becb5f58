// SPDX-License-Identifier: MIT
#include "screen_layout.h"

namespace {

constexpr float kChoiceWidth = 450.0f;
constexpr float kChoiceHeight = 242.0f / 3.0f;

}  // namespace

TextBox play_choice_box(int slot)
{
    const int row = slot / 2;
    float x = slot % 2 == 0 ? 25.0f : 485.0f;
    if (slot == 4) x = (kWindowWidth - kChoiceWidth) * 0.5f;
    const float y = 330.0f + static_cast<float>(row) * (kChoiceHeight + 8.0f);
    return TextBox{x, y, kChoiceWidth, kChoiceHeight};
}

TextBox play_choice_text_box(int slot)
{
    // Right of the slot's circled number, 6 px below its top.
    const TextBox r = play_choice_box(slot);
    return TextBox{r.x + 32.0f, r.y + 6.0f, 410.0f, 206.0f / 3.0f};
}

TextBox play_question_box_left_of(float countersLeft)
{
    const float right = std::min(750.0f, countersLeft - 8.0f);
    return TextBox{210.0f, 44.0f, right - 210.0f, 262.0f};
}
