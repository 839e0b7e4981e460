// The program's texts, taken from the same table that its string table is
// built from, so that the driver recognises exactly what the program shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);

// The text of a program ID as the windows show it; empty for an unknown ID.
std::wstring ProgramText(std::uint16_t nID);

bool IsProgramID(std::uint16_t nID);

// The ID whose text this is, or 0 when the text is none of the program's.
std::uint16_t ProgramIDOfText(const std::wstring& text);

// "118 IDS_READY \"...\"" for a program text, "none \"...\"" otherwise.
std::string DescribeText(const std::wstring& text);
std::string DescribeID(std::uint16_t nID);
