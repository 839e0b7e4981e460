// Reads the resources back out of a built Orvane.exe and compares them with
// what the program must carry:
//   orvane-resource-checker <exe> <x86|x64> [<firmware image>]
// The firmware image defaults to the one this build chose. Prints every
// difference; exit status 0 when there is none.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "pe_image.h"
#include "resource_checks.h"

namespace {

bool ReadFile(const char* path, std::vector<std::uint8_t>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

int main(int argc, char** argv) {
  EArchitecture architecture{};
  if ((argc != 3 && argc != 4) || !ParseArchitecture(argv[2], architecture)) {
    std::fprintf(stderr, "usage: %s <exe> <x86|x64> [<firmware image>]\n", argv[0]);
    return 2;
  }
  const char* firmware_path = argc == 4 ? argv[3] : ORVANE_CHOSEN_FIRMWARE;
  std::vector<std::uint8_t> program;
  std::vector<std::uint8_t> firmware;
  if (!ReadFile(argv[1], program)) {
    std::fprintf(stderr, "%s: cannot read\n", argv[1]);
    return 2;
  }
  if (!ReadFile(firmware_path, firmware)) {
    std::fprintf(stderr, "%s: cannot read\n", firmware_path);
    return 2;
  }
  CPeImage image;
  std::string error;
  if (!image.Load(program, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  CCheckLog log;
  CheckProgramResources(image, architecture, firmware, log);
  for (const std::string& failure : log.failures()) std::printf("%s: %s\n", argv[1], failure.c_str());
  if (!log.ok()) return 1;
  std::printf("%s: resources as designed (%s, firmware %s)\n", argv[1], argv[2], firmware_path);
  return 0;
}
