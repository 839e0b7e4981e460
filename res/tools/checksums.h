// The check values of zlib streams and PNG chunks.
#pragma once

#include <cstdint>
#include <span>

std::uint32_t Adler32(std::span<const std::uint8_t> data);
std::uint32_t Crc32(std::span<const std::uint8_t> data);
