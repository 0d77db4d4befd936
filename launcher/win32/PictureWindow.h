#pragma once

#include "RunPicture.h"

#include <windows.h>

// Builds the picture of the run `run` and shows it in a window of its own, modal to `owner`: the
// run's routes and tracks drawn by GDI as the core's view says, and beside them the list of the
// input's tracks (or routes), a row selected showing its own. +, -, the arrows and Home, the wheel
// and a drag move the picture. Says so in a box where the files cannot be read as they were.
void ShowRunPicture(HINSTANCE instance, HWND owner, const runkorvix::PictureRun& run);
