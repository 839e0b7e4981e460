// Writes the stand-in firmware image: make_standin_firmware <output file>.
// The committed res/firmware/zentor_standin.bin is this tool's output.
#include <cstdio>
#include <fstream>

#include "standin_firmware.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  const std::vector<std::uint8_t> image = MakeStandinFirmware();
  std::ofstream output(argv[1], std::ios::binary | std::ios::trunc);
  output.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  if (!output.flush()) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
