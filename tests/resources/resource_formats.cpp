#include "resource_formats.h"

#include <algorithm>

#include "byte_reader.h"
#include "checksums.h"

namespace {

constexpr std::uint32_t kSetFontStyle = 0x40;  // DS_SETFONT
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A name-or-ordinal field: 0 alone is no name, 0xFFFF introduces an ordinal,
// anything else starts a zero-terminated UTF-16 name.
bool NameOrOrdinal(CByteReader& reader, SResourceName& name) {
  std::uint16_t first = 0;
  if (!reader.U16(first)) return false;
  if (first == 0xFFFF) {
    name.named = false;
    name.name.clear();
    return reader.U16(name.id);
  }
  name.named = true;
  name.id = 0;
  name.name.clear();
  if (first == 0) return true;
  std::u16string rest;
  if (!reader.Utf16z(rest)) return false;
  name.name = static_cast<char16_t>(first) + rest;
  return true;
}

std::uint32_t BigEndian(Bytes bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) << 24 | static_cast<std::uint32_t>(bytes[offset + 1]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 8 | bytes[offset + 3];
}

bool DecodePng(Bytes data, SIconImage& image, std::string& error) {
  // Signature, then IHDR: length 13, type, 13 bytes, CRC over type and data.
  if (data.size() < 8 + 8 + 13 + 4 || BigEndian(data, 8) != 13 || data[12] != 'I' || data[13] != 'H' ||
      data[14] != 'D' || data[15] != 'R') {
    error = "PNG without an IHDR chunk first";
    return false;
  }
  if (Crc32(data.subspan(12, 4 + 13)) != BigEndian(data, 12 + 4 + 13)) {
    error = "PNG IHDR chunk fails its CRC";
    return false;
  }
  image.png = true;
  image.width = BigEndian(data, 16);
  image.height = BigEndian(data, 20);
  const std::uint8_t depth = data[24];
  const std::uint8_t colour_type = data[25];
  static constexpr std::uint8_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  if (colour_type > 6 || kChannels[colour_type] == 0) {
    error = "PNG with an unknown colour type";
    return false;
  }
  image.bit_count = static_cast<std::uint16_t>(depth * kChannels[colour_type]);
  return true;
}

bool DecodeBitmap(Bytes data, SIconImage& image, std::string& error) {
  CByteReader reader(data);
  std::uint32_t header_size = 0;
  std::uint32_t width = 0;
  std::uint32_t doubled_height = 0;
  std::uint16_t planes = 0;
  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
  if (!reader.U32(header_size) || header_size != 40 || !reader.U32(width) || !reader.U32(doubled_height) ||
      !reader.U16(planes) || !reader.U16(image.bit_count) || !reader.U32(compression) || !reader.Skip(12) ||
      !reader.U32(colours_used)) {
    error = "icon image is neither PNG nor a DIB with a 40-byte header";
    return false;
  }
  if (planes != 1 || compression != 0 || doubled_height % 2 != 0 || width == 0 || width > 256) {
    error = "icon DIB with planes, compression or height unlike an icon's";
    return false;
  }
  image.png = false;
  image.width = width;
  image.height = doubled_height / 2;
  const std::uint64_t palette = image.bit_count <= 8 ? (colours_used ? colours_used : 1u << image.bit_count) : 0;
  const std::uint64_t colour_row = (static_cast<std::uint64_t>(width) * image.bit_count + 31) / 32 * 4;
  const std::uint64_t mask_row = (static_cast<std::uint64_t>(width) + 31) / 32 * 4;
  const std::uint64_t expected = 40 + palette * 4 + (colour_row + mask_row) * image.height;
  if (data.size() != expected) {
    error = "icon DIB of " + std::to_string(data.size()) + " bytes, its header describes " +
            std::to_string(expected);
    return false;
  }
  return true;
}

}  // namespace

bool DecodeStringBlock(Bytes data, std::array<std::u16string, 16>& strings, std::string& error) {
  CByteReader reader(data);
  for (std::u16string& text : strings) {
    std::uint16_t length = 0;
    std::span<const std::uint8_t> units;
    if (!reader.U16(length) || !reader.Bytes(2u * length, units)) {
      error = "string-table block cut short";
      return false;
    }
    text.clear();
    for (std::size_t index = 0; index < units.size(); index += 2) {
      text.push_back(static_cast<char16_t>(units[index] | units[index + 1] << 8));
    }
  }
  return true;
}

bool DecodeDialog(Bytes data, SDialogTemplate& dialog, std::string& error) {
  CByteReader reader(data);
  std::uint16_t count = 0;
  if (!reader.U16(dialog.version) || !reader.U16(dialog.signature) || dialog.version != 1 ||
      dialog.signature != 0xFFFF) {
    error = "not an extended dialog template";
    return false;
  }
  if (!reader.U32(dialog.help_id) || !reader.U32(dialog.ex_style) || !reader.U32(dialog.style) ||
      !reader.U16(count) || !reader.I16(dialog.x) || !reader.I16(dialog.y) || !reader.I16(dialog.width) ||
      !reader.I16(dialog.height) || !NameOrOrdinal(reader, dialog.menu) ||
      !NameOrOrdinal(reader, dialog.window_class) || !reader.Utf16z(dialog.caption)) {
    error = "dialog header cut short";
    return false;
  }
  dialog.has_font = (dialog.style & kSetFontStyle) != 0;
  if (dialog.has_font && (!reader.U16(dialog.point_size) || !reader.U16(dialog.weight) ||
                          !reader.U8(dialog.italic) || !reader.U8(dialog.charset) || !reader.Utf16z(dialog.typeface))) {
    error = "dialog font cut short";
    return false;
  }
  dialog.controls.clear();
  for (std::uint16_t index = 0; index < count; ++index) {
    SDialogControl control;
    if (!reader.AlignTo4() || !reader.U32(control.help_id) || !reader.U32(control.ex_style) ||
        !reader.U32(control.style) || !reader.I16(control.x) || !reader.I16(control.y) || !reader.I16(control.width) ||
        !reader.I16(control.height) || !reader.U32(control.id) || !NameOrOrdinal(reader, control.window_class) ||
        !NameOrOrdinal(reader, control.text) || !reader.U16(control.extra_count) ||
        !reader.Skip(control.extra_count)) {
      error = "dialog control " + std::to_string(index + 1) + " cut short";
      return false;
    }
    dialog.controls.push_back(std::move(control));
  }
  dialog.length_used = reader.offset();
  return true;
}

bool DecodeIconGroup(Bytes data, std::vector<SIconGroupEntry>& entries, std::string& error) {
  CByteReader reader(data);
  std::uint16_t reserved = 0;
  std::uint16_t type = 0;
  std::uint16_t count = 0;
  if (!reader.U16(reserved) || !reader.U16(type) || !reader.U16(count) || reserved != 0 || type != 1) {
    error = "not an icon group header";
    return false;
  }
  entries.clear();
  for (std::uint16_t index = 0; index < count; ++index) {
    SIconGroupEntry entry;
    if (!reader.U8(entry.width) || !reader.U8(entry.height) || !reader.U8(entry.colour_count) ||
        !reader.U8(entry.reserved) || !reader.U16(entry.planes) || !reader.U16(entry.bit_count) ||
        !reader.U32(entry.size) || !reader.U16(entry.id)) {
      error = "icon group entry " + std::to_string(index + 1) + " cut short";
      return false;
    }
    entries.push_back(entry);
  }
  if (reader.remaining() != 0) {
    error = "icon group longer than its entries";
    return false;
  }
  return true;
}

bool DecodeIconImage(Bytes data, SIconImage& image, std::string& error) {
  if (data.size() >= 8 && std::equal(std::begin(kPngSignature), std::end(kPngSignature), data.begin())) {
    return DecodePng(data, image, error);
  }
  return DecodeBitmap(data, image, error);
}

bool DecodeVersionNode(Bytes data, SVersionNode& node, std::string& error) {
  CByteReader reader(data);
  std::uint16_t length = 0;
  std::uint16_t value_length = 0;
  if (!reader.U16(length) || !reader.U16(value_length) || !reader.U16(node.type) || length > data.size() ||
      length < 6) {
    error = "version block node cut short";
    return false;
  }
  CByteReader inside(data.first(length));
  const std::size_t value_bytes = node.type == 1 ? 2u * value_length : value_length;
  if (!inside.Skip(6) || !inside.Utf16z(node.key) || !inside.AlignTo4() ||
      !inside.Bytes(std::min(value_bytes, inside.remaining()), node.value)) {
    error = "version block node cut short";
    return false;
  }
  if (node.value.size() != value_bytes) {
    error = "version block value longer than its node";
    return false;
  }
  node.children.clear();
  // Padding after the value, then children up to the node's length.
  while (inside.AlignTo4() && inside.remaining() > 0) {
    SVersionNode child;
    const std::size_t start = inside.offset();
    if (!DecodeVersionNode(data.subspan(start, length - start), child, error)) return false;
    std::uint16_t child_length = 0;
    CByteReader(data, start).U16(child_length);
    node.children.push_back(std::move(child));
    if (!inside.Skip(child_length)) {
      error = "version block child longer than its parent";
      return false;
    }
  }
  return true;
}

std::u16string VersionText(const SVersionNode& node) {
  std::u16string text;
  for (std::size_t index = 0; index + 1 < node.value.size(); index += 2) {
    const auto unit = static_cast<char16_t>(node.value[index] | node.value[index + 1] << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}
