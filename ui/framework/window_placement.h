// Where a modal dialog first appears: centred over its owner, or over the work
// area of its monitor when it has no visible owner, and kept inside that work
// area.
#pragma once

#include "windows_headers.h"

// The top-left corner for a window the size of windowRect, centred over
// overRect and moved, where it would stick out, back inside workArea (its
// top-left corner first, should it be larger than the work area).
POINT CentredPosition(const RECT& windowRect, const RECT& overRect, const RECT& workArea);

void CentreDialog(HWND hDialog, HWND hOwner);
