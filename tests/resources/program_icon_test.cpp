#include <gtest/gtest.h>

#include <algorithm>

#include "checksums.h"
#include "deflate_fixed.h"
#include "expected_resources.h"
#include "file_bytes.h"
#include "inflate_fixed.h"
#include "program_icon.h"
#include "resource_formats.h"

namespace {

struct SIconFileEntry {
  std::uint8_t width, height, colour_count;
  std::uint16_t planes, bit_count;
  std::span<const std::uint8_t> image;
};

std::uint32_t Little(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int index = count; index-- > 0;) value = value << 8 | bytes[at + static_cast<std::size_t>(index)];
  return value;
}

std::uint32_t Big(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

// The directory of an .ico file; empty when it does not hold together.
std::vector<SIconFileEntry> IconFileEntries(std::span<const std::uint8_t> file) {
  if (file.size() < 6 || Little(file, 0, 2) != 0 || Little(file, 2, 2) != 1) return {};
  std::vector<SIconFileEntry> entries;
  const std::size_t count = Little(file, 4, 2);
  for (std::size_t index = 0; index < count; ++index) {
    const std::size_t at = 6 + 16 * index;
    if (at + 16 > file.size()) return {};
    const std::size_t size = Little(file, at + 8, 4);
    const std::size_t offset = Little(file, at + 12, 4);
    if (offset + size > file.size()) return {};
    entries.push_back({file[at], file[at + 1], file[at + 2], static_cast<std::uint16_t>(Little(file, at + 4, 2)),
                       static_cast<std::uint16_t>(Little(file, at + 6, 2)), file.subspan(offset, size)});
  }
  return entries;
}

TEST(ProgramIcon, CommittedIconIsTheGeneratorsOutput) {
  const std::vector<std::uint8_t> committed = FileBytes(ORVANE_COMMITTED_ICON);
  EXPECT_TRUE(committed == MakeProgramIcon()) << "regenerate res/orvane.ico with make_program_icon";
}

TEST(ProgramIcon, HoldsTheThirteenImagesInOrder) {
  const std::vector<std::uint8_t> icon = MakeProgramIcon();
  const std::vector<SIconFileEntry> entries = IconFileEntries(icon);
  const std::span<const SExpectedIconImage> expected = ExpectedIconImages();
  ASSERT_EQ(entries.size(), expected.size());
  for (std::size_t index = 0; index < entries.size(); ++index) {
    SCOPED_TRACE("image " + std::to_string(index + 1));
    const SIconFileEntry& entry = entries[index];
    const int stored_size = expected[index].size >= 256 ? 0 : expected[index].size;
    EXPECT_EQ(entry.width, stored_size);
    EXPECT_EQ(entry.height, stored_size);
    EXPECT_EQ(entry.colour_count, expected[index].bits == 4 ? 16 : 0);
    EXPECT_EQ(entry.planes, 1);
    EXPECT_EQ(entry.bit_count, expected[index].bits);
    SIconImage image;
    std::string error;
    ASSERT_TRUE(DecodeIconImage(entry.image, image, error)) << error;
    EXPECT_EQ(image.png, expected[index].png);
    EXPECT_EQ(image.width, static_cast<std::uint32_t>(expected[index].size));
    EXPECT_EQ(image.height, static_cast<std::uint32_t>(expected[index].size));
    EXPECT_EQ(image.bit_count, expected[index].bits);
  }
}

// Transparency of a bitmap image's pixel from its AND mask, rows bottom-up.
bool MaskedOut(std::span<const std::uint8_t> image, int size, int bits, int column, int row) {
  const std::size_t palette = bits <= 8 ? 4u << bits : 0;
  const std::size_t colour_row = static_cast<std::size_t>((size * bits + 31) / 32 * 4);
  const std::size_t mask_row = static_cast<std::size_t>((size + 31) / 32 * 4);
  const std::size_t mask = 40 + palette + colour_row * static_cast<std::size_t>(size);
  const std::uint8_t byte = image[mask + mask_row * static_cast<std::size_t>(size - 1 - row) + static_cast<std::size_t>(column / 8)];
  return (byte >> (7 - column % 8) & 1) != 0;
}

TEST(ProgramIcon, BitmapsAreTransparentAroundThePicture) {
  const std::vector<std::uint8_t> icon = MakeProgramIcon();
  const std::vector<SIconFileEntry> entries = IconFileEntries(icon);
  ASSERT_EQ(entries.size(), ExpectedIconImages().size());
  for (std::size_t index = 0; index < entries.size(); ++index) {
    const SExpectedIconImage& format = ExpectedIconImages()[index];
    if (format.png) continue;
    SCOPED_TRACE("image " + std::to_string(index + 1));
    const int last = format.size - 1;
    // The corners are outside the display; its screen is in the middle, and
    // the bottom edge holds only the foot.
    EXPECT_TRUE(MaskedOut(entries[index].image, format.size, format.bits, 0, 0));
    EXPECT_TRUE(MaskedOut(entries[index].image, format.size, format.bits, last, last));
    EXPECT_FALSE(MaskedOut(entries[index].image, format.size, format.bits, format.size / 2, format.size / 3));
  }
}

TEST(ProgramIcon, PngHoldsTheFullPictureWithAlpha) {
  const std::vector<std::uint8_t> icon = MakeProgramIcon();
  const std::vector<SIconFileEntry> entries = IconFileEntries(icon);
  ASSERT_EQ(entries.size(), 13u);
  const std::span<const std::uint8_t> png = entries[8].image;
  // Chunks after the signature: IHDR, IDAT, IEND, each with a good CRC.
  std::vector<std::uint8_t> compressed;
  std::vector<std::string> chunk_types;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length = Big(png, at);
    ASSERT_LE(at + 12 + length, png.size());
    chunk_types.emplace_back(png.begin() + static_cast<std::ptrdiff_t>(at + 4), png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    EXPECT_EQ(Crc32(png.subspan(at + 4, 4 + length)), Big(png, at + 8 + length)) << chunk_types.back();
    if (chunk_types.back() == "IDAT") compressed.insert(compressed.end(), png.begin() + static_cast<std::ptrdiff_t>(at + 8), png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    at += 12 + length;
  }
  EXPECT_EQ(chunk_types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  std::vector<std::uint8_t> scanlines;
  ASSERT_TRUE(InflateZlib(compressed, scanlines));
  constexpr std::size_t kRow = 1 + 256 * 4;
  ASSERT_EQ(scanlines.size(), 256 * kRow);
  auto alpha = [&](std::size_t column, std::size_t row) { return scanlines[row * kRow + 1 + column * 4 + 3]; };
  for (std::size_t row = 0; row < 256; ++row) EXPECT_EQ(scanlines[row * kRow], 0) << "filter of row " << row;
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(255, 255), 0);
  EXPECT_EQ(alpha(128, 80), 255);
  // Smoothed edges: some pixels between transparent and opaque.
  std::size_t partial = 0;
  for (std::size_t row = 0; row < 256; ++row) {
    for (std::size_t column = 0; column < 256; ++column) partial += alpha(column, row) > 0 && alpha(column, row) < 255;
  }
  EXPECT_GT(partial, 100u);
}

TEST(Deflate, RoundTripsDataOfEveryKind) {
  std::vector<std::vector<std::uint8_t>> inputs = {{}, {0x42}, std::vector<std::uint8_t>(100000, 0xAB)};
  std::vector<std::uint8_t> noise;
  std::uint32_t state = 12345;
  for (int index = 0; index < 70000; ++index) {
    state = state * 1103515245u + 12345u;
    noise.push_back(static_cast<std::uint8_t>(state >> 16));
  }
  inputs.push_back(noise);
  // A block repeated beyond the 32 KiB window, and short repeats of every length.
  std::vector<std::uint8_t> far(noise.begin(), noise.begin() + 1000);
  far.insert(far.end(), 40000, 0);
  far.insert(far.end(), noise.begin(), noise.begin() + 1000);
  inputs.push_back(far);
  std::vector<std::uint8_t> lengths;
  for (int length = 1; length < 300; ++length) {
    lengths.insert(lengths.end(), noise.begin() + length, noise.begin() + 2 * length);
    lengths.insert(lengths.end(), noise.begin() + length, noise.begin() + 2 * length);
  }
  inputs.push_back(lengths);
  for (const std::vector<std::uint8_t>& input : inputs) {
    std::vector<std::uint8_t> output;
    const std::vector<std::uint8_t> compressed = ZlibCompress(input);
    ASSERT_TRUE(InflateZlib(compressed, output)) << "input of " << input.size() << " bytes";
    EXPECT_TRUE(output == input) << "input of " << input.size() << " bytes";
  }
  EXPECT_LT(ZlibCompress(inputs[2]).size(), 1000u);
}

TEST(Deflate, InflaterRefusesDamagedStreams) {
  const std::vector<std::uint8_t> good = ZlibCompress(std::vector<std::uint8_t>(5000, 7));
  std::vector<std::uint8_t> output;
  ASSERT_TRUE(InflateZlib(good, output));
  std::vector<std::uint8_t> wrong_check = good;
  wrong_check.back() ^= 1;
  std::vector<std::uint8_t> cut(good.begin(), good.end() - 5);
  std::vector<std::uint8_t> bad_header = good;
  bad_header[1] ^= 1;
  for (const auto& stream : {wrong_check, cut, bad_header}) EXPECT_FALSE(InflateZlib(stream, output));
}

}  // namespace
