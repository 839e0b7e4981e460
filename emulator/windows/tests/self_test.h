// The self-test of the emulated DLLs. The parent process runs the scenario
// parser's tables and the cases; each case runs this same program again as a
// child under a scenario, where a walk makes the calls a program would make
// and checks what the DLLs answer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emu_test {

void RunScenarioTests();
void RunDllCases();
// In a child: the walk of that name; false when there is none.
bool RunWalk(const std::string& name);

// Data that a case writes into its folder and its walks expect back.
std::vector<std::uint8_t> PagePattern(std::uint32_t nAddress);
std::vector<std::uint8_t> KeyBlockFileContent();
std::vector<std::uint8_t> FlashImageContent();

}  // namespace emu_test
