// UTF-16 from the resources to UTF-8 for comparing with the program's texts.
#pragma once

#include <string>
#include <string_view>

// False for an unpaired surrogate: such a text cannot have come from the
// UTF-8 source, so it never compares equal.
bool Utf16ToUtf8(std::u16string_view text, std::string& utf8);
std::u16string Utf8ToUtf16(std::string_view text);
