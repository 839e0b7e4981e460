// Appends little- and big-endian fields to a byte vector: the icon file, the
// PNG inside it, and the tests' resource encoders are all written this way.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

class CByteWriter {
 public:
  void U8(std::uint32_t value) { m_bytes.push_back(static_cast<std::uint8_t>(value)); }
  void U16(std::uint32_t value) {
    U8(value);
    U8(value >> 8);
  }
  void U32(std::uint32_t value) {
    U16(value);
    U16(value >> 16);
  }
  void U32BigEndian(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) U8(value >> shift);
  }
  void Bytes(std::span<const std::uint8_t> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
  void AlignTo4() {
    while (m_bytes.size() % 4 != 0) U8(0);
  }
  std::size_t size() const { return m_bytes.size(); }
  std::vector<std::uint8_t>& bytes() { return m_bytes; }
  std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

 private:
  std::vector<std::uint8_t> m_bytes;
};
