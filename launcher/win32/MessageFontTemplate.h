#pragma once

#include "DialogControls.h"

#include <span>
#include <windows.h>

// Runs the dialog of the resource `id` modally, as DialogBoxParamW does, but in the font in
// which the system writes its message boxes (the non-client metrics' message font), so that the
// dialog and its boxes speak in one font; its horizontal dialog units widened, as far as needed,
// for every label of `controls` (the same template as C++ data) to fit its width in that font.
// Where the resource cannot be read so, the dialog comes in the resource's own font.
INT_PTR DialogBoxInMessageFont(HINSTANCE instance, int id,
                               std::span<const ControlTemplate> controls, HWND owner,
                               DLGPROC procedure, LPARAM parameter);
