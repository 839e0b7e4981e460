#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "embedded_firmware.h"
#include "file_bytes.h"
#include "standin_firmware.h"

namespace {

constexpr std::size_t kImageSize = 2097152;
constexpr std::size_t kPageSize = 256;
constexpr std::size_t kPagesPerBlock = 256;  // 64 KiB blocks
constexpr std::size_t kKeyBlock = 0xF000;
constexpr std::size_t kKeyBlockSize = 512;

bool IsBlank(const std::uint8_t* page) {
  return std::all_of(page, page + kPageSize, [](std::uint8_t byte) { return byte == 0xFF; });
}

TEST(StandinFirmware, CommittedImageIsTheGeneratorsOutput) {
  const std::vector<std::uint8_t> committed = FileBytes(ORVANE_STANDIN_FIRMWARE);
  const std::vector<std::uint8_t> generated = MakeStandinFirmware();
  ASSERT_EQ(generated.size(), kImageSize);
  ASSERT_EQ(committed.size(), kImageSize) << ORVANE_STANDIN_FIRMWARE;
  const auto [at, unused] = std::mismatch(committed.begin(), committed.end(), generated.begin());
  EXPECT_TRUE(at == committed.end()) << "first difference at offset " << (at - committed.begin())
                                     << "; regenerate it with make_standin_firmware";
}

TEST(StandinFirmware, HasTheShapeOfTheDevicesFirmware) {
  const std::vector<std::uint8_t> image = MakeStandinFirmware();
  ASSERT_EQ(image.size(), kImageSize);
  EXPECT_TRUE(std::all_of(image.begin() + kKeyBlock, image.begin() + kKeyBlock + kKeyBlockSize,
                          [](std::uint8_t byte) { return byte == 0xFF; }));

  const std::size_t page_count = image.size() / kPageSize;
  std::vector<bool> blank(page_count);
  for (std::size_t page = 0; page < page_count; ++page) blank[page] = IsBlank(image.data() + page * kPageSize);

  std::size_t non_blank = 0;
  std::set<std::size_t> blocks;
  std::size_t sparse = 0;         // non-blank pages with a handful of bytes
  std::size_t blank_between = 0;  // blank pages with data on both sides in the same block
  std::set<std::uint8_t> values;
  for (std::size_t page = 0; page < page_count; ++page) {
    const std::size_t block_start = page / kPagesPerBlock * kPagesPerBlock;
    if (blank[page]) {
      const auto first = blank.begin() + static_cast<std::ptrdiff_t>(block_start);
      const auto here = blank.begin() + static_cast<std::ptrdiff_t>(page);
      const bool data_before = std::find(first, here, false) != here;
      const bool data_after = std::find(here + 1, first + kPagesPerBlock, false) != first + kPagesPerBlock;
      blank_between += data_before && data_after;
      continue;
    }
    const std::uint8_t* start = image.data() + page * kPageSize;
    ++non_blank;
    blocks.insert(page / kPagesPerBlock);
    values.insert(start, start + kPageSize);
    sparse += std::count_if(start, start + kPageSize, [](std::uint8_t byte) { return byte != 0xFF; }) <= 16;
  }
  EXPECT_EQ(non_blank, 1851u);
  for (std::size_t block : blocks) EXPECT_TRUE(block <= 8 || block == 15) << "data in block " << block;
  EXPECT_TRUE(blocks.contains(0) && blocks.contains(8) && blocks.contains(15));
  EXPECT_GE(sparse, 5u);
  EXPECT_GE(blank_between, 5u);  // the key block's two pages among them
  EXPECT_EQ(values.size(), 256u);
}

TEST(EmbeddedFirmware, IsTheChosenImageByteForByte) {
  const std::vector<std::uint8_t> chosen = FileBytes(ORVANE_CHOSEN_FIRMWARE);
  ASSERT_EQ(chosen.size(), kImageSize) << ORVANE_CHOSEN_FIRMWARE;
  const std::size_t embedded_size = static_cast<std::size_t>(orvane_firmware_end - orvane_firmware_begin);
  ASSERT_EQ(embedded_size, kImageSize);
  EXPECT_TRUE(std::equal(chosen.begin(), chosen.end(), orvane_firmware_begin));
}

}  // namespace
