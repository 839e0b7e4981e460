// The program icon file (.ico): the picture at 48, 32, 24 and 16 pixels in 16
// and in 256 colours, at 256 pixels as PNG, and at 48 to 16 pixels with alpha.
#pragma once

#include <cstdint>
#include <vector>

std::vector<std::uint8_t> MakeProgramIcon();
