// Encoders for the resource formats, the reverse of resource_formats.h: they
// let the tests build a program's resources as they should be and then spoil
// one detail at a time.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "pe_builder.h"
#include "resource_checks.h"
#include "resource_formats.h"

std::vector<std::uint8_t> EncodeStringBlock(const std::array<std::u16string, 16>& strings);
std::vector<std::uint8_t> EncodeDialog(const SDialogTemplate& dialog);
std::vector<std::uint8_t> EncodeIconGroup(const std::vector<SIconGroupEntry>& entries);
// A DIB icon image of the right size for its header, all pixels zero.
std::vector<std::uint8_t> EncodeBitmapImage(int size, int bits);
// A PNG signature, IHDR (8-bit RGBA) and IEND.
std::vector<std::uint8_t> EncodePngImage(int size);

struct SVersionBlock {
  std::u16string key;
  std::uint16_t type = 0;  // 1: the value is text, its length counted in UTF-16 units
  std::vector<std::uint8_t> value;
  std::vector<SVersionBlock> children;
};
std::vector<std::uint8_t> EncodeVersion(const SVersionBlock& node);
SVersionBlock VersionString(std::u16string key, std::u16string_view text);

// Everything a program carries, in a form that is easy to spoil.
struct SProgramParts {
  std::uint16_t machine = kMachineX64;
  bool pe32_plus = true;
  std::map<std::uint16_t, std::u16string> texts;  // string ID -> text
  std::uint16_t string_language = 0;
  std::map<std::uint16_t, SDialogTemplate> dialogs;
  std::vector<SIconGroupEntry> icon_group;
  std::vector<std::vector<std::uint8_t>> icon_images;  // RT_ICON 1, 2, ...
  SVersionBlock version;
  std::string manifest;
  std::uint16_t manifest_language = 0;
  std::u16string firmware_type;
  std::vector<std::uint8_t> firmware;
  std::vector<SBuiltResource> extra;
};

// The parts as the program must have them, with the given firmware.
SProgramParts DesignedProgram(EArchitecture architecture, const std::vector<std::uint8_t>& firmware);
std::vector<std::uint8_t> BuildProgram(const SProgramParts& parts);
