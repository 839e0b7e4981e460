#include "byte_reader.h"

bool CByteReader::U8(std::uint8_t& value) {
  if (remaining() < 1) return false;
  value = m_bytes[m_offset++];
  return true;
}

bool CByteReader::U16(std::uint16_t& value) {
  if (remaining() < 2) return false;
  value = static_cast<std::uint16_t>(m_bytes[m_offset] | m_bytes[m_offset + 1] << 8);
  m_offset += 2;
  return true;
}

bool CByteReader::U32(std::uint32_t& value) {
  std::uint16_t low = 0;
  std::uint16_t high = 0;
  if (remaining() < 4 || !U16(low) || !U16(high)) return false;
  value = static_cast<std::uint32_t>(low) | static_cast<std::uint32_t>(high) << 16;
  return true;
}

bool CByteReader::I16(std::int16_t& value) {
  std::uint16_t raw = 0;
  if (!U16(raw)) return false;
  value = static_cast<std::int16_t>(raw);
  return true;
}

bool CByteReader::Skip(std::size_t count) {
  if (remaining() < count) return false;
  m_offset += count;
  return true;
}

bool CByteReader::Bytes(std::size_t count, std::span<const std::uint8_t>& bytes) {
  if (remaining() < count) return false;
  bytes = m_bytes.subspan(m_offset, count);
  m_offset += count;
  return true;
}

bool CByteReader::Utf16z(std::u16string& text) {
  text.clear();
  for (;;) {
    std::uint16_t unit = 0;
    if (!U16(unit)) return false;
    if (unit == 0) return true;
    text.push_back(static_cast<char16_t>(unit));
  }
}

bool CByteReader::AlignTo4() { return Skip((4 - m_offset % 4) % 4); }
