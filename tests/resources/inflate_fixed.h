// Decompresses the zlib streams the icon tool writes (stored and fixed-code
// blocks), so that the tests can check its PNG data byte for byte.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// False when the stream is damaged, uses dynamic codes, or its check value
// does not match what it decompresses to.
bool InflateZlib(std::span<const std::uint8_t> stream, std::vector<std::uint8_t>& output);
