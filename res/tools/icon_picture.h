// The program's picture: a display with a downward arrow on its screen, the
// firmware going into the device.
#pragma once

#include <cstdint>
#include <vector>

struct Rgba {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t alpha = 0;
  bool operator==(const Rgba&) const = default;
};

// size x size pixels, top row first, straight (not premultiplied) alpha,
// edges smoothed by supersampling.
std::vector<Rgba> PaintProgramPicture(int size);
