// Where a result row's icon comes from: its source first, then the shell and the registry by
// the item's icon file and extension.
#pragma once

#include <windows.h>

#include "core/LorvexClasses.h"
#include "core/win32/WinIcon.h"

// The item runs a web address: its execute string starts with one of the IsUrl prefixes, or
// it is an internet shortcut.
bool IsUrlItem(const TItemData& item);

// The shell's and the registry's icon for the item; nullptr when no step finds one. A failing
// step is logged and the next one runs.
HICON GetItemIcon(const TItemData& item);

// The icon of a result row, looked up at its first paint and kept on the item: the source's
// own, else GetItemIcon; an error row has the error icon ("images\error.ico" beside the
// program). Never throws. Null when no lookup found one: the next paint tries again.
HICON RowIcon(TItemData& item);
