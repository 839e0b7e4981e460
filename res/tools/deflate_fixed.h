// A small zlib stream writer for the icon's PNG image: LZ77 with one block of
// the fixed Huffman codes. Good enough for flat-coloured pictures, and no
// library to depend on.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> data);
