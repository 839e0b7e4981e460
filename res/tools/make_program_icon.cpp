// Writes the program icon: make_program_icon <output file>.
// The committed res/orvane.ico is this tool's output.
#include "program_icon.h"
#include "write_output.h"

int main(int argc, char** argv) {
  return WriteOutput(argc, argv, MakeProgramIcon());
}
