// Our own stand-in for the Zentor's 2 MiB flash image, for builds that are not
// given the maker's image. It has the shape the updater relies on: the key
// block at 0xF000 blank, 1851 non-blank pages in blocks 0 to 8 and 15.
#pragma once

#include <cstdint>
#include <vector>

// The whole image, flash address = offset. The same bytes on every call and
// every platform.
std::vector<std::uint8_t> MakeStandinFirmware();
