// SPDX-License-Identifier: MIT
// dialog_filters: the open-file dialog's file-type filters, in the order
// offered (the first is preselected), as Windows writes them: a display name
// and ';'-separated patterns whose letters match without regard to case. Each
// port turns the patterns into its own dialog's form.
#pragma once

struct DialogFilter {
    const char *name;
    const char *patterns;
};

inline constexpr DialogFilter kDialogFilters[] = {
    {"Quiz Files (*.zip;*.pzq)", "*.zip;*.pzq"},
    {"ZIP File (*.zip)", "*.zip"},
    {"PZQ File (*.pzq)", "*.pzq"},
    {"問題の表・テキスト (*.xlsx;*.ods;*.csv;*.tsv;*.txt)", "*.xlsx;*.ods;*.csv;*.tsv;*.txt"},
    {"All Files (*.*)", "*.*"},
};
inline constexpr int kDialogFilterCount = int(sizeof kDialogFilters / sizeof kDialogFilters[0]);
