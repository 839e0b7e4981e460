// What the program's resources must hold: the dialog templates, the icon
// images, the version block and the manifest as the program is designed. The
// texts of the string table are not repeated here: they come from
// status_messages.h, the same list the resource script is built from.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "pe_image.h"

inline constexpr std::uint16_t kLanguageJapanese = 1041;
inline constexpr std::uint16_t kLanguageEnglishUs = 1033;

inline constexpr std::uint16_t kTypeIcon = 3;
inline constexpr std::uint16_t kTypeDialog = 5;
inline constexpr std::uint16_t kTypeString = 6;
inline constexpr std::uint16_t kTypeIconGroup = 14;
inline constexpr std::uint16_t kTypeVersion = 16;
inline constexpr std::uint16_t kTypeManifest = 24;
inline constexpr std::u16string_view kTypeFirmware = u"DMP";

inline constexpr std::uint16_t kAtomButton = 0x0080;
inline constexpr std::uint16_t kAtomStatic = 0x0082;
inline constexpr std::uint32_t kNoControlId = 0xFFFFFFFF;  // IDC_STATIC, -1

struct SExpectedControl {
  std::uint32_t id;
  std::uint16_t class_atom;         // 0: the class is given by name
  std::string_view class_name;      // UTF-8
  std::string_view text;            // UTF-8; unused when icon is set
  std::uint16_t icon;               // nonzero: the text is this resource ID
  std::uint32_t style;
  std::int16_t x, y, width, height;
};

struct SExpectedDialog {
  std::uint16_t id;
  std::string_view caption;  // UTF-8
  std::uint32_t style;
  std::uint32_t ex_style;
  std::int16_t x, y, width, height;
  std::span<const SExpectedControl> controls;
};

struct SExpectedFont {
  std::uint16_t point_size;
  std::uint16_t weight;
  std::uint8_t italic;
  std::uint8_t charset;
  std::string_view typeface;
};

inline constexpr SExpectedFont kDialogFont = {9, 0, 0, 1, "MS UI Gothic"};

std::span<const SExpectedDialog> ExpectedDialogs();

struct SExpectedIconImage {
  int size;  // pixels, width and height
  int bits;
  bool png;
};

std::span<const SExpectedIconImage> ExpectedIconImages();
inline constexpr std::uint16_t kIconGroupId = 128;

struct SExpectedVersion {
  std::uint32_t file_version_high, file_version_low;
  std::uint32_t product_version_high, product_version_low;
  std::uint32_t flags_mask, flags, operating_system, file_type, file_subtype;
  std::string_view string_table;  // key of the one string table
  std::uint16_t translation_language, translation_code_page;
};

inline constexpr SExpectedVersion kVersion = {0x00010000, 0x00000003, 0x00010000, 0x00000003, 0x3F, 0, 0x40004, 1, 0,
                                              "041104b0", 0x0411, 1200};

struct SVersionString {
  std::string_view key;
  std::string_view value;
};

std::span<const SVersionString> ExpectedVersionStrings();

inline constexpr std::string_view kCommonControlsName = "Microsoft.Windows.Common-Controls";
inline constexpr std::string_view kCommonControlsVersion = "6.0.0.0";
inline constexpr std::string_view kCommonControlsKeyToken = "6595b64144ccf1df";

inline constexpr std::uint16_t kFirmwareId = 131;
inline constexpr std::size_t kFirmwareSize = 2097152;
