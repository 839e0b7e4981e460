#include "icon_picture.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kSamplesPerAxis = 8;

struct Colour {
  double red, green, blue;
};

struct Box {
  double left, top, right, bottom, radius;
  bool Contains(double x, double y) const {
    if (x < left || x > right || y < top || y > bottom) return false;
    const double dx = std::max({left + radius - x, 0.0, x - (right - radius)});
    const double dy = std::max({top + radius - y, 0.0, y - (bottom - radius)});
    return dx * dx + dy * dy <= radius * radius;
  }
};

// The picture in a unit square, y downwards, painted back to front.
constexpr Box kBezel = {0.04, 0.10, 0.96, 0.74, 0.07};
constexpr Box kScreen = {0.11, 0.17, 0.89, 0.65, 0.02};
constexpr Box kNeck = {0.42, 0.73, 0.58, 0.84, 0.0};
constexpr Box kFoot = {0.24, 0.83, 0.76, 0.93, 0.04};
constexpr Box kArrowShaft = {0.42, 0.22, 0.58, 0.42, 0.0};
// Arrow head: a triangle pointing down, its top edge at y = 0.40.
constexpr double kHeadTop = 0.40, kHeadBottom = 0.59, kHeadHalfWidth = 0.19, kHeadCentre = 0.50;

constexpr Colour kBezelColour = {48, 54, 64};
constexpr Colour kScreenTop = {40, 84, 232};
constexpr Colour kScreenBottom = {14, 46, 156};
constexpr Colour kNeckColour = {112, 118, 128};
constexpr Colour kFootColour = {150, 156, 166};
constexpr Colour kArrowColour = {255, 255, 255};

bool InArrowHead(double x, double y) {
  if (y < kHeadTop || y > kHeadBottom) return false;
  const double half_width = kHeadHalfWidth * (kHeadBottom - y) / (kHeadBottom - kHeadTop);
  return std::abs(x - kHeadCentre) <= half_width;
}

// The colour of the topmost shape at a point; false where nothing is painted.
bool Sample(double x, double y, Colour& colour) {
  if (kArrowShaft.Contains(x, y) || InArrowHead(x, y)) {
    colour = kArrowColour;
  } else if (kScreen.Contains(x, y)) {
    const double t = (y - kScreen.top) / (kScreen.bottom - kScreen.top);
    colour = {kScreenTop.red + t * (kScreenBottom.red - kScreenTop.red),
              kScreenTop.green + t * (kScreenBottom.green - kScreenTop.green),
              kScreenTop.blue + t * (kScreenBottom.blue - kScreenTop.blue)};
  } else if (kBezel.Contains(x, y)) {
    colour = kBezelColour;
  } else if (kFoot.Contains(x, y)) {
    colour = kFootColour;
  } else if (kNeck.Contains(x, y)) {
    colour = kNeckColour;
  } else {
    return false;
  }
  return true;
}

std::uint8_t Channel(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

std::vector<Rgba> PaintProgramPicture(int size) {
  std::vector<Rgba> pixels(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
  for (int row = 0; row < size; ++row) {
    for (int column = 0; column < size; ++column) {
      Colour sum = {0, 0, 0};
      int covered = 0;
      for (int sample_y = 0; sample_y < kSamplesPerAxis; ++sample_y) {
        for (int sample_x = 0; sample_x < kSamplesPerAxis; ++sample_x) {
          const double x = (column + (sample_x + 0.5) / kSamplesPerAxis) / size;
          const double y = (row + (sample_y + 0.5) / kSamplesPerAxis) / size;
          Colour colour;
          if (!Sample(x, y, colour)) continue;
          sum.red += colour.red;
          sum.green += colour.green;
          sum.blue += colour.blue;
          ++covered;
        }
      }
      Rgba& pixel = pixels[static_cast<std::size_t>(row * size + column)];
      if (covered == 0) continue;
      pixel = {Channel(sum.red / covered), Channel(sum.green / covered), Channel(sum.blue / covered),
               Channel(255.0 * covered / (kSamplesPerAxis * kSamplesPerAxis))};
    }
  }
  return pixels;
}
