// The firmware image linked into non-Windows builds, where there is no
// resource section: the same bytes that the Windows build carries as resource
// "DMP" 131.
#pragma once

extern "C" const unsigned char orvane_firmware_begin[];
extern "C" const unsigned char orvane_firmware_end[];
