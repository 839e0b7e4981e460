// Decoders for the resource formats the program carries: string-table
// blocks, extended dialog templates, icon groups and images, version blocks.
// Each reads only within the resource's bytes and says why it stopped.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pe_image.h"

using Bytes = std::span<const std::uint8_t>;

// Sixteen strings, IDs (block - 1) * 16 to (block - 1) * 16 + 15.
bool DecodeStringBlock(Bytes data, std::array<std::u16string, 16>& strings, std::string& error);

struct SDialogControl {
  std::uint32_t help_id = 0;
  std::uint32_t ex_style = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  std::uint32_t id = 0;
  SResourceName window_class;  // an atom, or a name
  SResourceName text;          // a text, or a resource ID (icons)
  std::uint16_t extra_count = 0;
};

struct SDialogTemplate {
  std::uint16_t version = 0;
  std::uint16_t signature = 0;
  std::uint32_t help_id = 0;
  std::uint32_t ex_style = 0;
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, width = 0, height = 0;
  SResourceName menu;          // named and empty: none
  SResourceName window_class;  // named and empty: the system's dialog class
  std::u16string caption;
  bool has_font = false;
  std::uint16_t point_size = 0;
  std::uint16_t weight = 0;
  std::uint8_t italic = 0;
  std::uint8_t charset = 0;
  std::u16string typeface;
  std::vector<SDialogControl> controls;
  std::size_t length_used = 0;  // bytes up to the end of the last control
};

// An extended template (DLGTEMPLATEEX with DLGITEMTEMPLATEEX items).
bool DecodeDialog(Bytes data, SDialogTemplate& dialog, std::string& error);

struct SIconGroupEntry {
  std::uint8_t width = 0;  // 0 stands for 256
  std::uint8_t height = 0;
  std::uint8_t colour_count = 0;
  std::uint8_t reserved = 0;
  std::uint16_t planes = 0;
  std::uint16_t bit_count = 0;
  std::uint32_t size = 0;
  std::uint16_t id = 0;  // the RT_ICON resource holding the image
};

bool DecodeIconGroup(Bytes data, std::vector<SIconGroupEntry>& entries, std::string& error);

struct SIconImage {
  bool png = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bit_count = 0;
};

// A PNG (signature and a sound IHDR chunk) or a DIB whose size is exactly its
// header, palette, colour rows and mask rows.
bool DecodeIconImage(Bytes data, SIconImage& image, std::string& error);

struct SVersionNode {
  std::u16string key;
  std::uint16_t type = 0;  // 1: the value is text
  Bytes value;
  std::vector<SVersionNode> children;
};

bool DecodeVersionNode(Bytes data, SVersionNode& node, std::string& error);
// The text of a text value, up to its terminating zero.
std::u16string VersionText(const SVersionNode& node);
