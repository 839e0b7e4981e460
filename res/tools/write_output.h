// The common main of the generator tools: <tool> <output file>.
#pragma once

#include <cstdint>
#include <vector>

// Writes the bytes to the file named by the one argument; the exit status.
int WriteOutput(int argc, char** argv, const std::vector<std::uint8_t>& bytes);
