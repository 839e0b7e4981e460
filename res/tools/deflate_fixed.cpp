#include "deflate_fixed.h"

#include <algorithm>
#include <cstddef>

#include "checksums.h"
#include "deflate_tables.h"

namespace {

constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr std::size_t kChainLimit = 128;
constexpr std::size_t kHashSize = 1 << 15;

// Deflate packs bits from the least significant end; Huffman codes go in
// most significant bit first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& output) : output_(output) {}
  void Bits(std::uint32_t value, unsigned count) {
    for (unsigned bit = 0; bit < count; ++bit) Bit((value >> bit) & 1);
  }
  void Code(std::uint32_t code, unsigned length) {
    for (unsigned bit = length; bit-- > 0;) Bit((code >> bit) & 1);
  }
  void Flush() {
    if (used_ != 0) output_.push_back(current_);
    current_ = 0;
    used_ = 0;
  }

 private:
  void Bit(std::uint32_t bit) {
    current_ = static_cast<std::uint8_t>(current_ | (bit << used_));
    if (++used_ == 8) Flush();
  }
  std::vector<std::uint8_t>& output_;
  std::uint8_t current_ = 0;
  unsigned used_ = 0;
};

void LiteralOrLength(BitWriter& writer, unsigned symbol) {
  if (symbol < 144) writer.Code(0x30 + symbol, 8);
  else if (symbol < 256) writer.Code(0x190 + symbol - 144, 9);
  else if (symbol < 280) writer.Code(symbol - 256, 7);
  else writer.Code(0xC0 + symbol - 280, 8);
}

void Match(BitWriter& writer, std::size_t length, std::size_t distance) {
  std::size_t code = kDeflateLengthBase.size() - 1;
  while (kDeflateLengthBase[code] > length) --code;
  LiteralOrLength(writer, static_cast<unsigned>(257 + code));
  writer.Bits(static_cast<std::uint32_t>(length - kDeflateLengthBase[code]), kDeflateLengthExtra[code]);
  code = kDeflateDistanceBase.size() - 1;
  while (kDeflateDistanceBase[code] > distance) --code;
  writer.Code(static_cast<std::uint32_t>(code), 5);
  writer.Bits(static_cast<std::uint32_t>(distance - kDeflateDistanceBase[code]), kDeflateDistanceExtra[code]);
}

std::size_t Hash(const std::uint8_t* at) {
  return ((at[0] << 10) ^ (at[1] << 5) ^ at[2]) & (kHashSize - 1);
}

void PutBigEndian(std::vector<std::uint8_t>& output, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) output.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> output = {0x78, 0x9C};
  BitWriter writer(output);
  writer.Bits(1, 1);  // final block
  writer.Bits(1, 2);  // fixed Huffman codes

  // Chains of earlier positions with the same three-byte hash; -1 ends one.
  std::vector<std::ptrdiff_t> head(kHashSize, -1);
  std::vector<std::ptrdiff_t> previous(data.size(), -1);
  auto remember = [&](std::size_t position) {
    if (position + kMinMatch > data.size()) return;
    const std::size_t hash = Hash(&data[position]);
    previous[position] = head[hash];
    head[hash] = static_cast<std::ptrdiff_t>(position);
  };

  std::size_t position = 0;
  while (position < data.size()) {
    std::size_t best_length = 0;
    std::size_t best_distance = 0;
    if (position + kMinMatch <= data.size()) {
      const std::size_t limit = std::min(kMaxMatch, data.size() - position);
      std::ptrdiff_t candidate = head[Hash(&data[position])];
      for (std::size_t chain = 0; candidate >= 0 && chain < kChainLimit; ++chain) {
        const std::size_t start = static_cast<std::size_t>(candidate);
        if (position - start > kWindow) break;
        std::size_t length = 0;
        while (length < limit && data[start + length] == data[position + length]) ++length;
        if (length > best_length) {
          best_length = length;
          best_distance = position - start;
          if (length == limit) break;
        }
        candidate = previous[start];
      }
    }
    if (best_length >= kMinMatch) {
      Match(writer, best_length, best_distance);
      for (std::size_t step = 0; step < best_length; ++step) remember(position + step);
      position += best_length;
    } else {
      LiteralOrLength(writer, data[position]);
      remember(position);
      ++position;
    }
  }
  LiteralOrLength(writer, 256);
  writer.Flush();
  PutBigEndian(output, Adler32(data));
  return output;
}
