// SPDX-License-Identifier: MIT
// The names of the dialog's filters, for both ports.
#include "dialog_filters.h"

#include "win_helper.h"

int sys_dialog_filter_count() { return kDialogFilterCount; }

const char *sys_dialog_filter_name(int index)
{
    if (index < 0 || index >= kDialogFilterCount) return nullptr;
    return kDialogFilters[index].name;
}
