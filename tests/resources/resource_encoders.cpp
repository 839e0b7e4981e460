#include "resource_encoders.h"

#include "byte_writer.h"
#include "checksums.h"
#include "expected_resources.h"
#include "status_messages.h"
#include "utf16.h"

namespace {

void Text(CByteWriter& writer, std::u16string_view text) {
  for (char16_t unit : text) writer.U16(unit);
}

void Utf16z(CByteWriter& writer, std::u16string_view text) {
  Text(writer, text);
  writer.U16(0);
}

void NameOrOrdinal(CByteWriter& writer, const SResourceName& name) {
  if (name.named) {
    Utf16z(writer, name.name);
  } else {
    writer.U16(0xFFFF);
    writer.U16(name.id);
  }
}

SDialogTemplate DesignedDialog(const SExpectedDialog& expected) {
  SDialogTemplate dialog;
  dialog.version = 1;
  dialog.signature = 0xFFFF;
  dialog.style = expected.style;
  dialog.ex_style = expected.ex_style;
  dialog.x = expected.x;
  dialog.y = expected.y;
  dialog.width = expected.width;
  dialog.height = expected.height;
  dialog.menu = SResourceName::Named({});
  dialog.window_class = SResourceName::Named({});
  dialog.caption = Utf8ToUtf16(expected.caption);
  dialog.has_font = true;
  dialog.point_size = kDialogFont.point_size;
  dialog.weight = kDialogFont.weight;
  dialog.italic = kDialogFont.italic;
  dialog.charset = kDialogFont.charset;
  dialog.typeface = Utf8ToUtf16(kDialogFont.typeface);
  for (const SExpectedControl& control : expected.controls) {
    SDialogControl item;
    item.style = control.style;
    item.x = control.x;
    item.y = control.y;
    item.width = control.width;
    item.height = control.height;
    item.id = control.id;
    item.window_class = control.class_atom ? SResourceName::Id(control.class_atom)
                                           : SResourceName::Named(Utf8ToUtf16(control.class_name));
    item.text = control.icon ? SResourceName::Id(control.icon) : SResourceName::Named(Utf8ToUtf16(control.text));
    dialog.controls.push_back(item);
  }
  return dialog;
}

std::string DesignedManifest(EArchitecture architecture) {
  const std::string processor = architecture == EArchitecture::kX64 ? "amd64" : "x86";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
         "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
         "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"" +
         processor +
         "\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/></dependentAssembly></dependency>\n"
         "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>"
         "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"
         "</requestedPrivileges></security></trustInfo>\n"
         "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>"
         "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"
         "</windowsSettings></application>\n</assembly>\n";
}

SVersionBlock DesignedVersion() {
  CByteWriter fixed;
  for (std::uint32_t value : {0xFEEF04BDu, 0x00010000u, kVersion.file_version_high, kVersion.file_version_low,
                              kVersion.product_version_high, kVersion.product_version_low, kVersion.flags_mask,
                              kVersion.flags, kVersion.operating_system, kVersion.file_type, kVersion.file_subtype, 0u,
                              0u}) {
    fixed.U32(value);
  }
  SVersionBlock table{Utf8ToUtf16(kVersion.string_table), 1, {}, {}};
  for (const SVersionString& entry : ExpectedVersionStrings()) {
    table.children.push_back(VersionString(Utf8ToUtf16(entry.key), Utf8ToUtf16(entry.value)));
  }
  CByteWriter translation;
  translation.U16(kVersion.translation_language);
  translation.U16(kVersion.translation_code_page);
  return SVersionBlock{u"VS_VERSION_INFO",
                      0,
                      fixed.bytes(),
                      {SVersionBlock{u"StringFileInfo", 1, {}, {table}},
                       SVersionBlock{u"VarFileInfo", 1, {}, {SVersionBlock{u"Translation", 0, translation.bytes(), {}}}}}};
}

}  // namespace

std::vector<std::uint8_t> EncodeStringBlock(const std::array<std::u16string, 16>& strings) {
  CByteWriter writer;
  for (const std::u16string& text : strings) {
    writer.U16(static_cast<std::uint32_t>(text.size()));
    Text(writer, text);
  }
  return writer.Take();
}

std::vector<std::uint8_t> EncodeDialog(const SDialogTemplate& dialog) {
  CByteWriter writer;
  writer.U16(dialog.version);
  writer.U16(dialog.signature);
  writer.U32(dialog.help_id);
  writer.U32(dialog.ex_style);
  writer.U32(dialog.style);
  writer.U16(static_cast<std::uint32_t>(dialog.controls.size()));
  for (std::int16_t value : {dialog.x, dialog.y, dialog.width, dialog.height}) writer.U16(static_cast<std::uint16_t>(value));
  NameOrOrdinal(writer, dialog.menu);
  NameOrOrdinal(writer, dialog.window_class);
  Utf16z(writer, dialog.caption);
  if (dialog.style & 0x40) {
    writer.U16(dialog.point_size);
    writer.U16(dialog.weight);
    writer.U8(dialog.italic);
    writer.U8(dialog.charset);
    Utf16z(writer, dialog.typeface);
  }
  for (const SDialogControl& control : dialog.controls) {
    writer.AlignTo4();
    writer.U32(control.help_id);
    writer.U32(control.ex_style);
    writer.U32(control.style);
    for (std::int16_t value : {control.x, control.y, control.width, control.height}) {
      writer.U16(static_cast<std::uint16_t>(value));
    }
    writer.U32(control.id);
    NameOrOrdinal(writer, control.window_class);
    NameOrOrdinal(writer, control.text);
    writer.U16(control.extra_count);
    for (std::uint16_t index = 0; index < control.extra_count; ++index) writer.U8(0);
  }
  return writer.Take();
}

std::vector<std::uint8_t> EncodeIconGroup(const std::vector<SIconGroupEntry>& entries) {
  CByteWriter writer;
  writer.U16(0);
  writer.U16(1);
  writer.U16(static_cast<std::uint32_t>(entries.size()));
  for (const SIconGroupEntry& entry : entries) {
    writer.U8(entry.width);
    writer.U8(entry.height);
    writer.U8(entry.colour_count);
    writer.U8(entry.reserved);
    writer.U16(entry.planes);
    writer.U16(entry.bit_count);
    writer.U32(entry.size);
    writer.U16(entry.id);
  }
  return writer.Take();
}

std::vector<std::uint8_t> EncodeBitmapImage(int size, int bits) {
  CByteWriter writer;
  const auto row = [size](int bits_per_pixel) { return static_cast<std::uint32_t>((size * bits_per_pixel + 31) / 32 * 4); };
  writer.U32(40);
  writer.U32(static_cast<std::uint32_t>(size));
  writer.U32(static_cast<std::uint32_t>(size * 2));
  writer.U16(1);
  writer.U16(static_cast<std::uint32_t>(bits));
  for (int field = 0; field < 6; ++field) writer.U32(0);
  const std::uint32_t palette = bits <= 8 ? 4u << bits : 0;
  writer.bytes().resize(writer.bytes().size() + palette + (row(bits) + row(1)) * static_cast<std::uint32_t>(size));
  return writer.Take();
}

std::vector<std::uint8_t> EncodePngImage(int size) {
  CByteWriter writer;
  static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (std::uint8_t byte : kSignature) writer.U8(byte);
  writer.U32BigEndian(13);
  const std::size_t chunk = writer.bytes().size();
  for (char letter : {'I', 'H', 'D', 'R'}) writer.U8(static_cast<std::uint8_t>(letter));
  writer.U32BigEndian(static_cast<std::uint32_t>(size));
  writer.U32BigEndian(static_cast<std::uint32_t>(size));
  for (std::uint8_t byte : {8, 6, 0, 0, 0}) writer.U8(byte);
  writer.U32BigEndian(Crc32(std::span(writer.bytes()).subspan(chunk)));
  writer.U32BigEndian(0);
  const std::size_t end_chunk = writer.bytes().size();
  for (char letter : {'I', 'E', 'N', 'D'}) writer.U8(static_cast<std::uint8_t>(letter));
  writer.U32BigEndian(Crc32(std::span(writer.bytes()).subspan(end_chunk)));
  return writer.Take();
}

std::vector<std::uint8_t> EncodeVersion(const SVersionBlock& node) {
  CByteWriter writer;
  writer.U16(0);  // length, filled in below
  writer.U16(static_cast<std::uint32_t>(node.type == 1 ? node.value.size() / 2 : node.value.size()));
  writer.U16(node.type);
  Utf16z(writer, node.key);
  writer.AlignTo4();
  writer.Bytes(node.value);
  for (const SVersionBlock& child : node.children) {
    writer.AlignTo4();
    writer.Bytes(EncodeVersion(child));
  }
  std::vector<std::uint8_t>& bytes = writer.bytes();
  bytes[0] = static_cast<std::uint8_t>(bytes.size());
  bytes[1] = static_cast<std::uint8_t>(bytes.size() >> 8);
  return std::move(bytes);
}

SVersionBlock VersionString(std::u16string key, std::u16string_view text) {
  CByteWriter value;
  Utf16z(value, text);
  return SVersionBlock{std::move(key), 1, value.bytes(), {}};
}

SProgramParts DesignedProgram(EArchitecture architecture, const std::vector<std::uint8_t>& firmware) {
  SProgramParts parts;
  parts.machine = architecture == EArchitecture::kX64 ? kMachineX64 : kMachineX86;
  parts.pe32_plus = architecture == EArchitecture::kX64;
  for (const SStatusText& entry : kStatusTexts) parts.texts[entry.nID] = Utf8ToUtf16(entry.text);
  parts.string_language = kLanguageJapanese;
  for (const SExpectedDialog& dialog : ExpectedDialogs()) parts.dialogs[dialog.id] = DesignedDialog(dialog);
  std::uint16_t icon_id = 1;
  for (const SExpectedIconImage& image : ExpectedIconImages()) {
    parts.icon_images.push_back(image.png ? EncodePngImage(image.size) : EncodeBitmapImage(image.size, image.bits));
    const auto stored_size = static_cast<std::uint8_t>(image.size >= 256 ? 0 : image.size);
    parts.icon_group.push_back({stored_size, stored_size, static_cast<std::uint8_t>(image.bits == 4 ? 16 : 0), 0, 1,
                                static_cast<std::uint16_t>(image.bits),
                                static_cast<std::uint32_t>(parts.icon_images.back().size()), icon_id++});
  }
  parts.version = DesignedVersion();
  parts.manifest = DesignedManifest(architecture);
  parts.manifest_language = kLanguageEnglishUs;
  parts.firmware_type = std::u16string(kTypeFirmware);
  parts.firmware = firmware;
  return parts;
}

std::vector<std::uint8_t> BuildProgram(const SProgramParts& parts) {
  std::vector<SBuiltResource> resources;
  std::map<std::uint16_t, std::array<std::u16string, 16>> blocks;
  for (const auto& [id, text] : parts.texts) blocks[static_cast<std::uint16_t>(id / 16 + 1)][id % 16] = text;
  for (const auto& [block, strings] : blocks) {
    resources.push_back({SResourceName::Id(kTypeString), SResourceName::Id(block), parts.string_language,
                         EncodeStringBlock(strings)});
  }
  for (const auto& [id, dialog] : parts.dialogs) {
    resources.push_back({SResourceName::Id(kTypeDialog), SResourceName::Id(id), kLanguageJapanese, EncodeDialog(dialog)});
  }
  for (std::size_t index = 0; index < parts.icon_images.size(); ++index) {
    resources.push_back({SResourceName::Id(kTypeIcon), SResourceName::Id(static_cast<std::uint16_t>(index + 1)),
                         kLanguageJapanese, parts.icon_images[index]});
  }
  resources.push_back({SResourceName::Id(kTypeIconGroup), SResourceName::Id(kIconGroupId), kLanguageJapanese,
                       EncodeIconGroup(parts.icon_group)});
  resources.push_back({SResourceName::Id(kTypeVersion), SResourceName::Id(1), kLanguageJapanese,
                       EncodeVersion(parts.version)});
  resources.push_back({SResourceName::Id(kTypeManifest), SResourceName::Id(1), parts.manifest_language,
                       std::vector<std::uint8_t>(parts.manifest.begin(), parts.manifest.end())});
  resources.push_back({SResourceName::Named(parts.firmware_type), SResourceName::Id(kFirmwareId), kLanguageJapanese,
                       parts.firmware});
  resources.insert(resources.end(), parts.extra.begin(), parts.extra.end());
  return BuildPeFile(parts.machine, parts.pe32_plus, resources);
}
