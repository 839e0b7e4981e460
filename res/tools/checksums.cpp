#include "checksums.h"

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
  std::uint32_t low = 1;
  std::uint32_t high = 0;
  for (std::uint8_t byte : data) {
    low = (low + byte) % 65521;
    high = (high + low) % 65521;
  }
  return (high << 16) | low;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}
