// Builds a minimal PE file around a set of resources, for testing the reader
// and the checks without a Windows toolchain.
#pragma once

#include <cstdint>
#include <vector>

#include "pe_image.h"

struct SBuiltResource {
  SResourceName type;
  SResourceName name;
  std::uint16_t language = 0;
  std::vector<std::uint8_t> data;
};

// One section, .rsrc, at RVA 0x1000 and file offset 0x200; the resource
// tree sorted as the format asks (names before IDs, each in order).
std::vector<std::uint8_t> BuildPeFile(std::uint16_t machine, bool pe32_plus,
                                      const std::vector<SBuiltResource>& resources);

inline constexpr std::uint32_t kBuiltSectionOffset = 0x200;
inline constexpr std::uint32_t kBuiltSectionRva = 0x1000;
