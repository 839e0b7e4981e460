#include "program_icon.h"

#include <array>
#include <cstddef>
#include <limits>
#include <span>

#include "byte_writer.h"
#include "checksums.h"
#include "deflate_fixed.h"
#include "icon_picture.h"

namespace {

struct ImageFormat {
  int size;
  int bits;  // 4, 8 or 32
  bool png;
};

// The order Windows' own tools write: the palette images largest first, then
// the true-colour ones.
constexpr std::array<ImageFormat, 13> kImages = {{
    {48, 4, false}, {32, 4, false}, {24, 4, false}, {16, 4, false},
    {48, 8, false}, {32, 8, false}, {24, 8, false}, {16, 8, false},
    {256, 32, true}, {48, 32, false}, {32, 32, false}, {24, 32, false}, {16, 32, false},
}};

// A palette image has no alpha: a pixel is either painted or transparent.
constexpr std::uint8_t kOpaqueFrom = 128;

using Palette = std::vector<Rgba>;

// The sixteen colours of the standard VGA palette.
Palette FourBitPalette() {
  return {{0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
          {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0},
          {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
          {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
}

// The VGA colours, a 6 x 6 x 6 colour cube and 24 greys in between.
Palette EightBitPalette() {
  Palette palette = FourBitPalette();
  for (int red = 0; red < 6; ++red) {
    for (int green = 0; green < 6; ++green) {
      for (int blue = 0; blue < 6; ++blue) {
        palette.push_back({static_cast<std::uint8_t>(red * 51), static_cast<std::uint8_t>(green * 51),
                           static_cast<std::uint8_t>(blue * 51), 0});
      }
    }
  }
  for (int grey = 1; grey <= 24; ++grey) {
    const auto level = static_cast<std::uint8_t>(grey * 10 + 3);
    palette.push_back({level, level, level, 0});
  }
  return palette;
}

std::uint8_t Nearest(const Palette& palette, Rgba colour) {
  std::size_t best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (std::size_t index = 0; index < palette.size(); ++index) {
    const int red = palette[index].red - colour.red;
    const int green = palette[index].green - colour.green;
    const int blue = palette[index].blue - colour.blue;
    const int distance = red * red + green * green + blue * blue;
    if (distance < best_distance) {
      best_distance = distance;
      best = index;
    }
  }
  return static_cast<std::uint8_t>(best);
}

std::size_t RowBytes(int size, int bits) { return static_cast<std::size_t>((size * bits + 31) / 32 * 4); }

// A DIB as icons hold it: the header gives twice the height, for the colour
// rows and the 1-bit transparency mask that follows them, both bottom-up.
std::vector<std::uint8_t> BitmapImage(int size, int bits) {
  const std::vector<Rgba> pixels = PaintProgramPicture(size);
  const Palette palette = bits == 4 ? FourBitPalette() : bits == 8 ? EightBitPalette() : Palette{};
  const std::size_t colour_row = RowBytes(size, bits);
  const std::size_t mask_row = RowBytes(size, 1);

  CByteWriter writer;
  writer.U32(40);
  writer.U32(static_cast<std::uint32_t>(size));
  writer.U32(static_cast<std::uint32_t>(size * 2));
  writer.U16(1);
  writer.U16(static_cast<std::uint32_t>(bits));
  writer.U32(0);  // uncompressed
  writer.U32(static_cast<std::uint32_t>((colour_row + mask_row) * static_cast<std::size_t>(size)));
  writer.U32(0);
  writer.U32(0);
  writer.U32(0);
  writer.U32(0);
  for (const Rgba& entry : palette) {
    writer.U8(entry.blue);
    writer.U8(entry.green);
    writer.U8(entry.red);
    writer.U8(0);
  }

  std::vector<std::uint8_t> colour_rows(colour_row * static_cast<std::size_t>(size), 0);
  std::vector<std::uint8_t> mask_rows(mask_row * static_cast<std::size_t>(size), 0);
  for (int row = 0; row < size; ++row) {
    const std::size_t stored_row = static_cast<std::size_t>(size - 1 - row);
    std::uint8_t* colour = &colour_rows[stored_row * colour_row];
    std::uint8_t* mask = &mask_rows[stored_row * mask_row];
    for (int column = 0; column < size; ++column) {
      const Rgba pixel = pixels[static_cast<std::size_t>(row * size + column)];
      const bool transparent = bits == 32 ? pixel.alpha == 0 : pixel.alpha < kOpaqueFrom;
      if (transparent) mask[column / 8] = static_cast<std::uint8_t>(mask[column / 8] | (0x80 >> (column % 8)));
      if (bits == 32) {
        std::uint8_t* at = colour + column * 4;
        at[0] = pixel.blue;
        at[1] = pixel.green;
        at[2] = pixel.red;
        at[3] = pixel.alpha;
      } else if (!transparent) {
        const std::uint8_t index = Nearest(palette, pixel);
        if (bits == 8) colour[column] = index;
        else colour[column / 2] = static_cast<std::uint8_t>(colour[column / 2] | (column % 2 ? index : index << 4));
      }
    }
  }
  writer.Bytes(colour_rows);
  writer.Bytes(mask_rows);
  return writer.Take();
}

void PngChunk(CByteWriter& writer, const char (&type)[5], std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  writer.U32BigEndian(static_cast<std::uint32_t>(data.size()));
  writer.Bytes(typed);
  writer.U32BigEndian(Crc32(typed));
}

std::vector<std::uint8_t> PngImage(int size) {
  const std::vector<Rgba> pixels = PaintProgramPicture(size);
  std::vector<std::uint8_t> scanlines;
  for (int row = 0; row < size; ++row) {
    scanlines.push_back(0);  // no filter: the flat colours repeat as they are
    for (int column = 0; column < size; ++column) {
      const Rgba pixel = pixels[static_cast<std::size_t>(row * size + column)];
      scanlines.insert(scanlines.end(), {pixel.red, pixel.green, pixel.blue, pixel.alpha});
    }
  }
  CByteWriter header;
  header.U32BigEndian(static_cast<std::uint32_t>(size));
  header.U32BigEndian(static_cast<std::uint32_t>(size));
  header.Bytes(std::array<std::uint8_t, 5>{8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no interlace

  CByteWriter writer;
  writer.Bytes(std::array<std::uint8_t, 8>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
  PngChunk(writer, "IHDR", header.bytes());
  PngChunk(writer, "IDAT", ZlibCompress(scanlines));
  PngChunk(writer, "IEND", {});
  return writer.Take();
}

}  // namespace

std::vector<std::uint8_t> MakeProgramIcon() {
  std::vector<std::vector<std::uint8_t>> images;
  for (const ImageFormat& format : kImages) {
    images.push_back(format.png ? PngImage(format.size) : BitmapImage(format.size, format.bits));
  }

  CByteWriter writer;
  writer.U16(0);
  writer.U16(1);  // icon
  writer.U16(static_cast<std::uint32_t>(kImages.size()));
  std::size_t offset = 6 + 16 * kImages.size();
  for (std::size_t index = 0; index < kImages.size(); ++index) {
    const ImageFormat& format = kImages[index];
    writer.U8(format.size >= 256 ? 0 : format.size);
    writer.U8(format.size >= 256 ? 0 : format.size);
    writer.U8(format.bits == 4 ? 16 : 0);
    writer.U8(0);
    writer.U16(1);
    writer.U16(static_cast<std::uint32_t>(format.bits));
    writer.U32(static_cast<std::uint32_t>(images[index].size()));
    writer.U32(static_cast<std::uint32_t>(offset));
    offset += images[index].size();
  }
  for (const std::vector<std::uint8_t>& image : images) writer.Bytes(image);
  return writer.Take();
}
