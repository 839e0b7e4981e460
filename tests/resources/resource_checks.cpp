#include "resource_checks.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <type_traits>

#include "expected_resources.h"
#include "status_messages.h"
#include "utf16.h"

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string Utf8(std::u16string_view text) {
  std::string utf8;
  return Utf16ToUtf8(text, utf8) ? "\"" + utf8 + "\"" : "(invalid UTF-16)";
}

// Compares one field and logs a difference; the name says where it is.
template <typename Value>
void Expect(CCheckLog& log, const std::string& where, const Value& found, const Value& expected) {
  if (found == expected) return;
  if constexpr (std::is_same_v<Value, std::u16string>) {
    log.Fail(where + ": " + Utf8(found) + ", expected " + Utf8(expected));
  } else if constexpr (std::is_integral_v<Value> && sizeof(Value) >= 4) {
    log.Fail(where + ": " + Hex(static_cast<std::uint32_t>(found)) + ", expected " +
             Hex(static_cast<std::uint32_t>(expected)));
  } else {
    log.Fail(where + ": " + std::to_string(found) + ", expected " + std::to_string(expected));
  }
}

const SResource* FindIn(const CPeImage& image, const SResourceName& type, const SResourceName& name,
                        std::uint16_t language, CCheckLog& log) {
  const SResource* resource = image.Find(type, name);
  const std::string where = "resource " + Describe(type) + "/" + Describe(name);
  if (resource == nullptr) {
    log.Fail(where + ": missing");
    return nullptr;
  }
  Expect(log, where + " language", resource->language, language);
  return resource;
}

SResourceName Id(std::uint16_t id) { return SResourceName::Id(id); }

std::uint16_t StringBlockOf(std::uint16_t id) { return static_cast<std::uint16_t>(id / 16 + 1); }

// Window classes are matched without regard to case; anything else exactly.
bool SameClassName(std::u16string_view found, std::u16string_view expected) {
  auto lower = [](char16_t unit) { return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit; };
  return std::equal(found.begin(), found.end(), expected.begin(), expected.end(),
                    [&](char16_t left, char16_t right) { return lower(left) == lower(right); });
}

void CheckControl(const SDialogControl& found, const SExpectedControl& expected, const std::string& where,
                  CCheckLog& log) {
  Expect(log, where + " ID", found.id, expected.id);
  Expect(log, where + " style", found.style, expected.style);
  Expect(log, where + " extended style", found.ex_style, std::uint32_t{0});
  Expect(log, where + " help ID", found.help_id, std::uint32_t{0});
  Expect(log, where + " x", found.x, expected.x);
  Expect(log, where + " y", found.y, expected.y);
  Expect(log, where + " width", found.width, expected.width);
  Expect(log, where + " height", found.height, expected.height);
  Expect(log, where + " creation data bytes", found.extra_count, std::uint16_t{0});
  if (expected.class_atom != 0) {
    if (found.window_class.named || found.window_class.id != expected.class_atom) {
      log.Fail(where + " class: " + Describe(found.window_class) + ", expected atom " +
               std::to_string(expected.class_atom));
    }
  } else if (!found.window_class.named ||
             !SameClassName(found.window_class.name, Utf8ToUtf16(expected.class_name))) {
    log.Fail(where + " class: " + Describe(found.window_class) + ", expected \"" + std::string(expected.class_name) +
             "\"");
  }
  const SResourceName text = expected.icon != 0 ? SResourceName::Id(expected.icon)
                                                : SResourceName::Named(Utf8ToUtf16(expected.text));
  if (!(found.text == text)) {
    log.Fail(where + " text: " + Describe(found.text) + ", expected " + Describe(text));
  }
}

void CheckDialog(const SDialogTemplate& found, const SExpectedDialog& expected, CCheckLog& log) {
  const std::string where = "dialog " + std::to_string(expected.id);
  Expect(log, where + " style", found.style, expected.style);
  Expect(log, where + " extended style", found.ex_style, expected.ex_style);
  Expect(log, where + " help ID", found.help_id, std::uint32_t{0});
  Expect(log, where + " x", found.x, expected.x);
  Expect(log, where + " y", found.y, expected.y);
  Expect(log, where + " width", found.width, expected.width);
  Expect(log, where + " height", found.height, expected.height);
  if (!(found.menu == SResourceName::Named({}))) log.Fail(where + " has a menu: " + Describe(found.menu));
  if (!(found.window_class == SResourceName::Named({}))) {
    log.Fail(where + " has a window class: " + Describe(found.window_class));
  }
  Expect(log, where + " caption", found.caption, Utf8ToUtf16(expected.caption));
  if (!found.has_font) {
    log.Fail(where + ": no font");
  } else {
    Expect(log, where + " font size", found.point_size, kDialogFont.point_size);
    Expect(log, where + " font weight", found.weight, kDialogFont.weight);
    Expect(log, where + " font italic", found.italic, kDialogFont.italic);
    Expect(log, where + " font character set", found.charset, kDialogFont.charset);
    Expect(log, where + " typeface", found.typeface, Utf8ToUtf16(kDialogFont.typeface));
  }
  if (found.controls.size() != expected.controls.size()) {
    log.Fail(where + ": " + std::to_string(found.controls.size()) + " controls, expected " +
             std::to_string(expected.controls.size()));
    return;
  }
  for (std::size_t index = 0; index < found.controls.size(); ++index) {
    CheckControl(found.controls[index], expected.controls[index], where + " control " + std::to_string(index + 1),
                 log);
  }
}

void CheckIconImage(const SIconGroupEntry& entry, const SExpectedIconImage& expected, const CPeImage& image,
                    const std::string& where, CCheckLog& log) {
  const std::uint8_t stored_size = expected.size >= 256 ? 0 : static_cast<std::uint8_t>(expected.size);
  Expect(log, where + " width", entry.width, stored_size);
  Expect(log, where + " height", entry.height, stored_size);
  Expect(log, where + " colour count", entry.colour_count, static_cast<std::uint8_t>(expected.bits == 4 ? 16 : 0));
  Expect(log, where + " reserved", entry.reserved, std::uint8_t{0});
  Expect(log, where + " planes", entry.planes, std::uint16_t{1});
  Expect(log, where + " bits per pixel", entry.bit_count, static_cast<std::uint16_t>(expected.bits));

  const SResource* icon = FindIn(image, Id(kTypeIcon), Id(entry.id), kLanguageJapanese, log);
  if (icon == nullptr) return;
  Expect(log, where + " size in the group", entry.size, static_cast<std::uint32_t>(icon->data.size()));
  SIconImage picture;
  std::string error;
  if (!DecodeIconImage(icon->data, picture, error)) {
    log.Fail(where + ": " + error);
    return;
  }
  if (picture.png != expected.png) log.Fail(where + (expected.png ? ": not PNG" : ": PNG, expected a bitmap"));
  Expect(log, where + " image width", picture.width, static_cast<std::uint32_t>(expected.size));
  Expect(log, where + " image height", picture.height, static_cast<std::uint32_t>(expected.size));
  Expect(log, where + " image bits per pixel", picture.bit_count, static_cast<std::uint16_t>(expected.bits));
}

const SVersionNode* Child(const SVersionNode& node, std::u16string_view key) {
  for (const SVersionNode& child : node.children) {
    if (child.key == key) return &child;
  }
  return nullptr;
}

std::uint32_t Word(Bytes bytes, std::size_t index) {
  const std::size_t at = index * 4;
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void CheckFixedVersion(Bytes fixed, CCheckLog& log) {
  if (fixed.size() != 52) {
    log.Fail("version block: fixed part of " + std::to_string(fixed.size()) + " bytes, expected 52");
    return;
  }
  struct SField {
    const char* name;
    std::size_t index;
    std::uint32_t expected;
  };
  const SField fields[] = {
      {"signature", 0, 0xFEEF04BD},
      {"structure version", 1, 0x00010000},
      {"file version, high", 2, kVersion.file_version_high},
      {"file version, low", 3, kVersion.file_version_low},
      {"product version, high", 4, kVersion.product_version_high},
      {"product version, low", 5, kVersion.product_version_low},
      {"flags mask", 6, kVersion.flags_mask},
      {"flags", 7, kVersion.flags},
      {"operating system", 8, kVersion.operating_system},
      {"file type", 9, kVersion.file_type},
      {"file subtype", 10, kVersion.file_subtype},
      {"date, high", 11, 0},
      {"date, low", 12, 0},
  };
  for (const SField& field : fields) Expect(log, std::string("version block ") + field.name, Word(fixed, field.index), field.expected);
}

// The attributes of the first element of a name in a manifest, and how many
// elements of that name there are. Enough XML for a manifest we wrote.
struct SElement {
  int count = 0;
  std::map<std::string, std::string> attributes;
  std::string content;
};

SElement FindElement(std::string_view xml, std::string_view name) {
  SElement element;
  const std::string open = "<" + std::string(name);
  for (std::size_t at = xml.find(open); at != std::string_view::npos; at = xml.find(open, at + 1)) {
    const std::size_t after = at + open.size();
    if (after >= xml.size() || (xml[after] != ' ' && xml[after] != '>' && xml[after] != '/' && xml[after] != '\n' &&
                                xml[after] != '\r' && xml[after] != '\t')) {
      continue;
    }
    if (++element.count > 1) continue;
    const std::size_t end = xml.find('>', after);
    if (end == std::string_view::npos) break;
    std::string_view tag = xml.substr(after, end - after);
    for (std::size_t equals = tag.find('='); equals != std::string_view::npos; equals = tag.find('=')) {
      std::string_view key = tag.substr(0, equals);
      key.remove_prefix(std::min(key.find_first_not_of(" \t\r\n"), key.size()));
      const std::size_t quote_at = equals + 1;
      if (quote_at >= tag.size() || (tag[quote_at] != '"' && tag[quote_at] != '\'')) break;
      const std::size_t close = tag.find(tag[quote_at], quote_at + 1);
      if (close == std::string_view::npos) break;
      element.attributes[std::string(key)] = std::string(tag.substr(quote_at + 1, close - quote_at - 1));
      tag.remove_prefix(close + 1);
    }
    if (xml[end - 1] != '/') {
      const std::size_t closing = xml.find("</" + std::string(name) + ">", end);
      if (closing != std::string_view::npos) element.content = std::string(xml.substr(end + 1, closing - end - 1));
    }
  }
  return element;
}

void ExpectAttributes(const SElement& element, std::string_view name,
                      std::initializer_list<std::pair<std::string_view, std::string_view>> expected, CCheckLog& log) {
  const std::string where = "manifest <" + std::string(name) + ">";
  if (element.count != 1) {
    log.Fail(where + ": " + std::to_string(element.count) + " elements, expected 1");
    return;
  }
  for (const auto& [key, value] : expected) {
    const auto found = element.attributes.find(std::string(key));
    if (found == element.attributes.end()) {
      log.Fail(where + " " + std::string(key) + ": missing, expected \"" + std::string(value) + "\"");
    } else if (found->second != value) {
      log.Fail(where + " " + std::string(key) + ": \"" + found->second + "\", expected \"" + std::string(value) + "\"");
    }
  }
}

}  // namespace

bool ParseArchitecture(std::string_view text, EArchitecture& architecture) {
  if (text == "x86") architecture = EArchitecture::kX86;
  else if (text == "x64") architecture = EArchitecture::kX64;
  else return false;
  return true;
}

void CheckMachine(const CPeImage& image, EArchitecture architecture, CCheckLog& log) {
  const bool x64 = architecture == EArchitecture::kX64;
  const std::uint16_t machine = x64 ? kMachineX64 : kMachineX86;
  if (image.machine() != machine) log.Fail("machine: " + Hex(image.machine()) + ", expected " + Hex(machine));
  if (image.pe32_plus() != x64) log.Fail(x64 ? "optional header: PE32, expected PE32+" : "optional header: PE32+, expected PE32");
}

void CheckResourceSet(const CPeImage& image, CCheckLog& log) {
  struct SKey {
    SResourceName type;
    SResourceName name;
    std::uint16_t language;
  };
  std::vector<SKey> expected;
  std::set<std::uint16_t> blocks;
  for (const SStatusText& entry : kStatusTexts) blocks.insert(StringBlockOf(entry.nID));
  for (std::uint16_t block : blocks) expected.push_back({Id(kTypeString), Id(block), kLanguageJapanese});
  for (const SExpectedDialog& dialog : ExpectedDialogs()) {
    expected.push_back({Id(kTypeDialog), Id(dialog.id), kLanguageJapanese});
  }
  expected.push_back({Id(kTypeIconGroup), Id(kIconGroupId), kLanguageJapanese});
  expected.push_back({Id(kTypeVersion), Id(1), kLanguageJapanese});
  expected.push_back({Id(kTypeManifest), Id(1), kLanguageEnglishUs});
  expected.push_back({SResourceName::Named(std::u16string(kTypeFirmware)), Id(kFirmwareId), kLanguageJapanese});

  std::vector<bool> seen(expected.size(), false);
  for (const SResource& resource : image.resources()) {
    // The icon images are checked against the group that names them.
    if (resource.type == Id(kTypeIcon)) continue;
    const std::string where = "resource " + Describe(resource.type) + "/" + Describe(resource.name) + " language " +
                              std::to_string(resource.language);
    auto match = std::find_if(expected.begin(), expected.end(), [&](const SKey& key) {
      return key.type == resource.type && key.name == resource.name && key.language == resource.language;
    });
    if (match == expected.end()) {
      log.Fail(where + ": not one of the program's resources");
      continue;
    }
    const std::size_t index = static_cast<std::size_t>(match - expected.begin());
    if (seen[index]) log.Fail(where + ": more than once");
    seen[index] = true;
  }
  for (std::size_t index = 0; index < expected.size(); ++index) {
    if (!seen[index]) {
      log.Fail("resource " + Describe(expected[index].type) + "/" + Describe(expected[index].name) + " language " +
               std::to_string(expected[index].language) + ": missing");
    }
  }
}

void CheckStringTable(const CPeImage& image, CCheckLog& log) {
  std::map<std::uint16_t, std::array<std::u16string, 16>> blocks;
  for (const SStatusText& entry : kStatusTexts) {
    const std::uint16_t block = StringBlockOf(entry.nID);
    if (blocks.contains(block)) continue;
    const SResource* resource = FindIn(image, Id(kTypeString), Id(block), kLanguageJapanese, log);
    if (resource == nullptr) continue;
    std::string error;
    if (!DecodeStringBlock(resource->data, blocks[block], error)) log.Fail("string block " + std::to_string(block) + ": " + error);
  }
  // Every slot of the blocks: the program's text where it has one, else empty.
  for (auto& [block, strings] : blocks) {
    for (std::size_t index = 0; index < strings.size(); ++index) {
      const auto id = static_cast<std::uint16_t>((block - 1) * 16 + index);
      std::string_view expected;
      for (const SStatusText& entry : kStatusTexts) {
        if (entry.nID == id) expected = entry.text;
      }
      std::string found;
      if (!Utf16ToUtf8(strings[index], found)) {
        log.Fail("string " + std::to_string(id) + ": not valid UTF-16");
      } else if (found != expected) {
        log.Fail("string " + std::to_string(id) + ": \"" + found + "\", expected \"" + std::string(expected) + "\"");
      }
    }
  }
}

void CheckDialogs(const CPeImage& image, CCheckLog& log) {
  for (const SExpectedDialog& expected : ExpectedDialogs()) {
    const SResource* resource = FindIn(image, Id(kTypeDialog), Id(expected.id), kLanguageJapanese, log);
    if (resource == nullptr) continue;
    SDialogTemplate found;
    std::string error;
    if (!DecodeDialog(resource->data, found, error)) {
      log.Fail("dialog " + std::to_string(expected.id) + ": " + error);
      continue;
    }
    if (resource->data.size() - found.length_used >= 4) {
      log.Fail("dialog " + std::to_string(expected.id) + ": " +
               std::to_string(resource->data.size() - found.length_used) + " bytes after the last control");
    }
    CheckDialog(found, expected, log);
  }
}

void CheckIcons(const CPeImage& image, CCheckLog& log) {
  const SResource* group = FindIn(image, Id(kTypeIconGroup), Id(kIconGroupId), kLanguageJapanese, log);
  if (group == nullptr) return;
  std::vector<SIconGroupEntry> entries;
  std::string error;
  if (!DecodeIconGroup(group->data, entries, error)) {
    log.Fail("icon group: " + error);
    return;
  }
  const std::span<const SExpectedIconImage> expected = ExpectedIconImages();
  if (entries.size() != expected.size()) {
    log.Fail("icon group: " + std::to_string(entries.size()) + " images, expected " + std::to_string(expected.size()));
    return;
  }
  std::set<std::uint16_t> named;
  for (std::size_t index = 0; index < entries.size(); ++index) {
    CheckIconImage(entries[index], expected[index], image, "icon image " + std::to_string(index + 1), log);
    named.insert(entries[index].id);
  }
  for (const SResource& resource : image.resources()) {
    if (resource.type == Id(kTypeIcon) && !(resource.name.named == false && named.contains(resource.name.id))) {
      log.Fail("icon " + Describe(resource.name) + ": not in icon group " + std::to_string(kIconGroupId));
    }
  }
}

void CheckVersion(const CPeImage& image, CCheckLog& log) {
  const SResource* resource = FindIn(image, Id(kTypeVersion), Id(1), kLanguageJapanese, log);
  if (resource == nullptr) return;
  SVersionNode root;
  std::string error;
  if (!DecodeVersionNode(resource->data, root, error)) {
    log.Fail("version block: " + error);
    return;
  }
  Expect(log, "version block key", root.key, std::u16string(u"VS_VERSION_INFO"));
  CheckFixedVersion(root.value, log);

  const SVersionNode* strings = Child(root, u"StringFileInfo");
  if (strings == nullptr || strings->children.size() != 1) {
    log.Fail("version block: StringFileInfo missing or not with one string table");
  } else {
    const SVersionNode& table = strings->children.front();
    Expect(log, "version string table", table.key, Utf8ToUtf16(kVersion.string_table));
    for (const SVersionString& expected : ExpectedVersionStrings()) {
      const SVersionNode* value = Child(table, Utf8ToUtf16(expected.key));
      const std::string where = "version " + std::string(expected.key);
      if (value == nullptr) {
        log.Fail(where + ": missing");
        continue;
      }
      Expect(log, where + " value type", value->type, std::uint16_t{1});
      Expect(log, where, VersionText(*value), Utf8ToUtf16(expected.value));
    }
  }

  const SVersionNode* variables = Child(root, u"VarFileInfo");
  const SVersionNode* translation = variables ? Child(*variables, u"Translation") : nullptr;
  if (translation == nullptr || translation->value.size() != 4) {
    log.Fail("version block: VarFileInfo Translation missing or not one language");
    return;
  }
  const Bytes value = translation->value;
  Expect(log, "version translation language", static_cast<std::uint16_t>(value[0] | value[1] << 8),
         kVersion.translation_language);
  Expect(log, "version translation code page", static_cast<std::uint16_t>(value[2] | value[3] << 8),
         kVersion.translation_code_page);
}

void CheckManifest(const CPeImage& image, EArchitecture architecture, CCheckLog& log) {
  const SResource* resource = FindIn(image, Id(kTypeManifest), Id(1), kLanguageEnglishUs, log);
  if (resource == nullptr) return;
  const std::string_view xml(reinterpret_cast<const char*>(resource->data.data()), resource->data.size());
  const std::string_view processor = architecture == EArchitecture::kX64 ? "amd64" : "x86";

  ExpectAttributes(FindElement(xml, "assembly"), "assembly",
                   {{"xmlns", "urn:schemas-microsoft-com:asm.v1"}, {"manifestVersion", "1.0"}}, log);
  ExpectAttributes(FindElement(xml, "assemblyIdentity"), "assemblyIdentity",
                   {{"type", "win32"},
                    {"name", kCommonControlsName},
                    {"version", kCommonControlsVersion},
                    {"processorArchitecture", processor},
                    {"publicKeyToken", kCommonControlsKeyToken},
                    {"language", "*"}},
                   log);
  ExpectAttributes(FindElement(xml, "requestedExecutionLevel"), "requestedExecutionLevel",
                   {{"level", "asInvoker"}, {"uiAccess", "false"}}, log);
  const SElement dpi_aware = FindElement(xml, "dpiAware");
  ExpectAttributes(dpi_aware, "dpiAware", {{"xmlns", "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}}, log);
  if (dpi_aware.content != "true") log.Fail("manifest <dpiAware>: \"" + dpi_aware.content + "\", expected \"true\"");
}

void CheckFirmware(const CPeImage& image, Bytes firmware, CCheckLog& log) {
  const SResource* resource = FindIn(image, SResourceName::Named(std::u16string(kTypeFirmware)), Id(kFirmwareId),
                                     kLanguageJapanese, log);
  if (resource == nullptr) return;
  Expect(log, "firmware resource size", resource->data.size(), kFirmwareSize);
  if (!std::equal(resource->data.begin(), resource->data.end(), firmware.begin(), firmware.end())) {
    const auto [at, unused] = std::mismatch(resource->data.begin(), resource->data.end(), firmware.begin(), firmware.end());
    log.Fail("firmware resource differs from the image from offset " +
             Hex(static_cast<std::uint32_t>(at - resource->data.begin())));
  }
}

void CheckProgramResources(const CPeImage& image, EArchitecture architecture, Bytes firmware, CCheckLog& log) {
  CheckMachine(image, architecture, log);
  CheckResourceSet(image, log);
  CheckStringTable(image, log);
  CheckDialogs(image, log);
  CheckIcons(image, log);
  CheckVersion(image, log);
  CheckManifest(image, architecture, log);
  CheckFirmware(image, firmware, log);
}
