#include "standin_firmware.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace {

constexpr std::size_t kImageSize = 0x200000;
constexpr std::size_t kPageSize = 256;

// xorshift64*: fixed by its definition, unlike the standard distributions,
// so the image is the same with every standard library.
class Generator {
 public:
  explicit Generator(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  std::uint32_t Below(std::uint32_t bound) { return static_cast<std::uint32_t>(Next() % bound); }

 private:
  std::uint64_t state_;
};

enum class Content {
  kHeader,    // a few fields at the start of the page, the rest erased
  kCode,      // instruction stream
  kTables,    // lookup tables
  kGlyphs,    // 1-bit font bitmaps
  kPicture,   // RGB565 splash pieces
  kStrings,   // menu texts
  kSettings,  // a few bytes per page: calibration records
};

// Spans of pages with their content; pages between spans stay erased. The
// page counts add up to 1851 and no span reaches into the key block
// (pages 0xF0 and 0xF1) or outside blocks 0 to 8 and 15.
struct Span {
  std::size_t first_page;
  std::size_t page_count;
  Content content;
  std::size_t last_page_fill;  // bytes used in the last page; 256 = full
};

constexpr std::array kSpans = {
    Span{0x000, 2, Content::kHeader, 256},
    Span{0x002, 216, Content::kCode, 0x9C},
    Span{0x0E0, 16, Content::kTables, 256},
    Span{0x0F2, 1, Content::kSettings, 256},
    Span{0x100, 1, Content::kHeader, 256},
    Span{0x101, 1144, Content::kCode, 0x3A},
    Span{0x580, 200, Content::kTables, 0xE0},
    Span{0x648, 120, Content::kGlyphs, 256},
    Span{0x834, 130, Content::kPicture, 0x80},
    Span{0xF00, 16, Content::kStrings, 0x66},
    Span{0xF10, 4, Content::kSettings, 256},
    Span{0xFFF, 1, Content::kHeader, 256},
};

void PutWord(std::uint8_t* at, std::uint32_t value) {
  for (int index = 0; index < 4; ++index) at[index] = static_cast<std::uint8_t>(value >> (8 * index));
}

// Thumb-like 16- and 32-bit instructions: a handful of common opcode
// patterns with varying registers and immediates, and literal pools.
void FillCode(std::uint8_t* at, std::size_t length, Generator& generator) {
  static constexpr std::array<std::uint16_t, 8> kOpcodes = {0x4600, 0x6800, 0x2000, 0xB500,
                                                            0xF000, 0xD000, 0x1C00, 0x4770};
  std::size_t offset = 0;
  while (offset + 4 <= length) {
    const std::uint32_t choice = generator.Below(16);
    if (choice == 0) {  // literal pool entry: an address in flash or RAM
      const std::uint32_t base = generator.Below(2) ? 0x00010000u : 0x20000000u;
      PutWord(at + offset, base + (generator.Below(0x8000) & ~3u));
      offset += 4;
      continue;
    }
    const std::uint16_t opcode = kOpcodes[choice % kOpcodes.size()];
    const std::uint16_t operand = static_cast<std::uint16_t>(generator.Below(0x100));
    const std::uint16_t word = static_cast<std::uint16_t>(opcode | operand);
    at[offset] = static_cast<std::uint8_t>(word);
    at[offset + 1] = static_cast<std::uint8_t>(word >> 8);
    offset += 2;
  }
  while (offset < length) at[offset++] = 0x00;
}

// Sine, gamma and a CRC table: the kind of constants a display controller keeps.
void FillTables(std::uint8_t* at, std::size_t length, Generator& generator) {
  const std::uint32_t kind = generator.Below(3);
  for (std::size_t offset = 0; offset < length; ++offset) {
    const std::uint32_t step = static_cast<std::uint32_t>(offset);
    switch (kind) {
      case 0: {  // quarter-wave sine, parabolic approximation
        const std::uint32_t x = step & 0xFF;
        at[offset] = static_cast<std::uint8_t>((x * (510 - x)) >> 8);
        break;
      }
      case 1:  // gamma ramp
        at[offset] = static_cast<std::uint8_t>(((step & 0xFF) * (step & 0xFF)) >> 8);
        break;
      default: {  // CRC-32 table, byte by byte
        std::uint32_t value = step >> 2;
        for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1)));
        at[offset] = static_cast<std::uint8_t>(value >> (8 * (step & 3)));
        break;
      }
    }
  }
}

void FillGlyphs(std::uint8_t* at, std::size_t length, Generator& generator) {
  for (std::size_t offset = 0; offset < length; ++offset) {
    const std::size_t row = offset % 16;
    // Blank rows above and below each glyph, strokes in between.
    at[offset] = (row < 2 || row > 13) ? 0x00 : static_cast<std::uint8_t>(generator.Below(256) & 0x7E);
  }
}

void FillPicture(std::uint8_t* at, std::size_t length, Generator& generator) {
  std::uint16_t colour = static_cast<std::uint16_t>(generator.Below(0x10000));
  for (std::size_t offset = 0; offset + 1 < length; offset += 2) {
    if (generator.Below(8) == 0) colour = static_cast<std::uint16_t>(colour + 0x0821);
    at[offset] = static_cast<std::uint8_t>(colour);
    at[offset + 1] = static_cast<std::uint8_t>(colour >> 8);
  }
}

void FillStrings(std::uint8_t* at, std::size_t length, Generator& generator) {
  static constexpr std::array<std::string_view, 10> kTexts = {
      "Zentor", "Input", "Brightness", "Contrast", "Colour temperature",
      "Scaling", "Language", "Factory reset", "No signal", "Out of range"};
  std::size_t offset = 0;
  while (offset < length) {
    const std::string_view text = kTexts[generator.Below(kTexts.size())];
    for (char letter : text) {
      if (offset == length) return;
      at[offset++] = static_cast<std::uint8_t>(letter);
    }
    if (offset < length) at[offset++] = 0x00;
  }
}

// A record of a few bytes at the start of the page; the rest of the page is
// left erased so that the device can append records without an erase.
void FillSettings(std::uint8_t* at, Generator& generator) {
  const std::size_t length = 4 + generator.Below(9);
  at[0] = 0x5A;
  for (std::size_t offset = 1; offset < length; ++offset) at[offset] = static_cast<std::uint8_t>(generator.Below(0xFF));
}

void FillHeader(std::uint8_t* at, std::size_t page, Generator& generator) {
  static constexpr std::string_view kMagic = "ZNTR";
  for (std::size_t index = 0; index < kMagic.size(); ++index) at[index] = static_cast<std::uint8_t>(kMagic[index]);
  PutWord(at + 4, 0x01000003u);
  PutWord(at + 8, static_cast<std::uint32_t>(page * kPageSize));
  PutWord(at + 12, static_cast<std::uint32_t>(generator.Next()));
}

void FillPage(std::uint8_t* page, std::size_t page_index, std::size_t length, Content content, Generator& generator) {
  switch (content) {
    case Content::kHeader: FillHeader(page, page_index, generator); break;
    case Content::kCode: FillCode(page, length, generator); break;
    case Content::kTables: FillTables(page, length, generator); break;
    case Content::kGlyphs: FillGlyphs(page, length, generator); break;
    case Content::kPicture: FillPicture(page, length, generator); break;
    case Content::kStrings: FillStrings(page, length, generator); break;
    case Content::kSettings: FillSettings(page, generator); break;
  }
  // A page of data may by chance end up erased-looking; it must not, or the
  // page count would drift.
  page[0] = page[0] == 0xFF ? 0x00 : page[0];
}

}  // namespace

std::vector<std::uint8_t> MakeStandinFirmware() {
  std::vector<std::uint8_t> image(kImageSize, 0xFF);
  Generator generator(0x5A454E544F52ull);
  for (const Span& span : kSpans) {
    for (std::size_t index = 0; index < span.page_count; ++index) {
      const std::size_t page_index = span.first_page + index;
      const bool last = index + 1 == span.page_count;
      FillPage(image.data() + page_index * kPageSize, page_index, last ? span.last_page_fill : kPageSize,
               span.content, generator);
    }
  }
  return image;
}
