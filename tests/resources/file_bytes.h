// Reads a whole file for the tests; empty when it cannot be read.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

inline std::vector<std::uint8_t> FileBytes(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
