#pragma once

#include <windows.h>

// Gives the main dialog's controls the names that screen readers announce
// (ParseDlgModel::AccessibleName): an option with its description, a path field by its file.
// Nothing happens where the system offers no annotation of accessible names.
void NameDialogControls(HWND dialog);
