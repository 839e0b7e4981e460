// Writes the stand-in firmware image: make_standin_firmware <output file>.
// The committed res/firmware/zentor_standin.bin is this tool's output.
#include "standin_firmware.h"
#include "write_output.h"

int main(int argc, char** argv) {
  return WriteOutput(argc, argv, MakeStandinFirmware());
}
