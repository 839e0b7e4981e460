// The module that holds the program's resources, and its strings by ID.
#pragma once

#include <string>

#include "windows_headers.h"

// The executable's own module unless the entry recorded another.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstance);

// The text of the string resource with the ID, exactly as stored: line feeds
// and trailing blanks included. An ID without a text gives the empty text.
std::wstring LoadResourceString(UINT nID);
