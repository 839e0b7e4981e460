// Bounds-checked little-endian reads from a byte range: every read of the
// resource checker goes through here, so a damaged or hostile file ends in a
// failed read rather than a read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CByteReader {
 public:
  explicit CByteReader(std::span<const std::uint8_t> bytes, std::size_t offset = 0)
      : m_bytes(bytes), m_offset(offset) {}

  bool U8(std::uint8_t& value);
  bool U16(std::uint16_t& value);
  bool U32(std::uint32_t& value);
  bool I16(std::int16_t& value);
  bool Skip(std::size_t count);
  bool Bytes(std::size_t count, std::span<const std::uint8_t>& bytes);
  // UTF-16 up to and including a terminating zero unit.
  bool Utf16z(std::u16string& text);
  // Moves on to the next multiple of four from the start of the range.
  bool AlignTo4();

  std::size_t offset() const { return m_offset; }
  std::size_t remaining() const { return m_offset <= m_bytes.size() ? m_bytes.size() - m_offset : 0; }

 private:
  std::span<const std::uint8_t> m_bytes;
  std::size_t m_offset;
};
