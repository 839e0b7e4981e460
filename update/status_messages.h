// Status message IDs and their texts. The IDs are the string-table IDs of the
// Windows program; the texts here are the same lines that the string table is
// built from, for builds that have no string table.
#pragma once

#include <cstdint>
#include <string_view>

#define ORVANE_TEXT(id, name, text) inline constexpr std::uint16_t name = id;
#include "status_messages.inc"
#undef ORVANE_TEXT

struct SStatusText {
  std::uint16_t nID;
  std::string_view name;
  std::string_view text;  // UTF-8
};

// Every text of the program, in ID order.
inline constexpr SStatusText kStatusTexts[] = {
#define ORVANE_TEXT(id, name, text) {id, #name, text},
#include "status_messages.inc"
#undef ORVANE_TEXT
};

// The text of an ID, UTF-8; empty for an ID that has none, like a string-table
// lookup.
std::string_view StatusText(std::uint16_t nID);
