#include "inflate_fixed.h"

#include "checksums.h"
#include "deflate_tables.h"

namespace {

class CBitReader {
 public:
  explicit CBitReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
  bool Bits(unsigned count, std::uint32_t& value) {
    value = 0;
    for (unsigned bit = 0; bit < count; ++bit) {
      if (m_position / 8 >= m_bytes.size()) return false;
      value |= static_cast<std::uint32_t>(m_bytes[m_position / 8] >> (m_position % 8) & 1) << bit;
      ++m_position;
    }
    return true;
  }
  // Huffman codes arrive most significant bit first.
  bool CodeBit(std::uint32_t& code) {
    std::uint32_t bit = 0;
    if (!Bits(1, bit)) return false;
    code = code << 1 | bit;
    return true;
  }
  void ToByte() { m_position = (m_position + 7) / 8 * 8; }
  std::size_t byte_position() const { return m_position / 8; }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_position = 0;
};

bool FixedSymbol(CBitReader& reader, unsigned& symbol) {
  std::uint32_t code = 0;
  for (int bit = 0; bit < 7; ++bit) {
    if (!reader.CodeBit(code)) return false;
  }
  if (code <= 0x17) {
    symbol = 256 + code;
    return true;
  }
  if (!reader.CodeBit(code)) return false;
  if (code >= 0x30 && code <= 0xBF) {
    symbol = code - 0x30;
    return true;
  }
  if (code >= 0xC0 && code <= 0xC7) {
    symbol = 280 + code - 0xC0;
    return true;
  }
  if (!reader.CodeBit(code)) return false;
  symbol = 144 + code - 0x190;
  return code >= 0x190 && code <= 0x1FF;
}

bool StoredBlock(CBitReader& reader, std::span<const std::uint8_t> stream, std::vector<std::uint8_t>& output) {
  reader.ToByte();
  std::uint32_t length = 0;
  std::uint32_t complement = 0;
  if (!reader.Bits(16, length) || !reader.Bits(16, complement) || (length ^ 0xFFFF) != complement) return false;
  const std::size_t start = reader.byte_position();
  if (start + length > stream.size()) return false;
  output.insert(output.end(), stream.begin() + static_cast<std::ptrdiff_t>(start),
                stream.begin() + static_cast<std::ptrdiff_t>(start + length));
  std::uint32_t skipped = 0;
  for (std::uint32_t index = 0; index < length; ++index) reader.Bits(8, skipped);
  return true;
}

bool FixedBlock(CBitReader& reader, std::vector<std::uint8_t>& output) {
  for (;;) {
    unsigned symbol = 0;
    if (!FixedSymbol(reader, symbol) || symbol > 285) return false;
    if (symbol < 256) {
      output.push_back(static_cast<std::uint8_t>(symbol));
      continue;
    }
    if (symbol == 256) return true;
    std::uint32_t extra = 0;
    if (!reader.Bits(kDeflateLengthExtra[symbol - 257], extra)) return false;
    const std::size_t length = kDeflateLengthBase[symbol - 257] + extra;
    std::uint32_t distance_code = 0;
    for (int bit = 0; bit < 5; ++bit) {
      if (!reader.CodeBit(distance_code)) return false;
    }
    if (distance_code >= kDeflateDistanceBase.size() || !reader.Bits(kDeflateDistanceExtra[distance_code], extra)) return false;
    const std::size_t distance = kDeflateDistanceBase[distance_code] + extra;
    if (distance > output.size()) return false;
    for (std::size_t index = 0; index < length; ++index) output.push_back(output[output.size() - distance]);
  }
}

}  // namespace

bool InflateZlib(std::span<const std::uint8_t> stream, std::vector<std::uint8_t>& output) {
  output.clear();
  if (stream.size() < 6 || (stream[0] & 0x0F) != 8 || (stream[0] << 8 | stream[1]) % 31 != 0 || (stream[1] & 0x20)) {
    return false;
  }
  CBitReader reader(stream.subspan(2));
  for (bool last = false; !last;) {
    std::uint32_t final_bit = 0;
    std::uint32_t type = 0;
    if (!reader.Bits(1, final_bit) || !reader.Bits(2, type)) return false;
    last = final_bit != 0;
    const bool read = type == 0 ? StoredBlock(reader, stream.subspan(2), output) : type == 1 && FixedBlock(reader, output);
    if (!read) return false;
  }
  reader.ToByte();
  const std::size_t check_at = 2 + reader.byte_position();
  if (check_at + 4 != stream.size()) return false;
  const std::uint32_t check = static_cast<std::uint32_t>(stream[check_at]) << 24 |
                              static_cast<std::uint32_t>(stream[check_at + 1]) << 16 |
                              static_cast<std::uint32_t>(stream[check_at + 2]) << 8 | stream[check_at + 3];
  return check == Adler32(output);
}
