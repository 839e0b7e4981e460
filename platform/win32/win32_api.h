// Windows: the real headers. The HID class driver functions declared by
// <hidsdi.h> are defined in hid_loader.cpp, which takes them from the system
// folder's hid.dll at first use rather than from the program's own folder.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <setupapi.h>
#include <hidsdi.h>
#include <hidpi.h>

#ifndef HIDP_STATUS_INVALID_PREPARSED_DATA
#define HIDP_STATUS_INVALID_PREPARSED_DATA ((NTSTATUS)0xC0110001L)
#endif
