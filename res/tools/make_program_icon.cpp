// Writes the program icon: make_program_icon <output file>.
// The committed res/orvane.ico is this tool's output.
#include <cstdio>
#include <fstream>

#include "program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  const std::vector<std::uint8_t> icon = MakeProgramIcon();
  std::ofstream output(argv[1], std::ios::binary | std::ios::trunc);
  output.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
  if (!output.flush()) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
