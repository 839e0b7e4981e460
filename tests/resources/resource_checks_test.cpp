#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "expected_resources.h"
#include "resource_checks.h"
#include "resource_encoders.h"
#include "status_messages.h"
#include "utf16.h"

namespace {

std::vector<std::uint8_t> SmallFirmware() {
  std::vector<std::uint8_t> firmware(kFirmwareSize, 0xFF);
  for (std::size_t index = 0; index < 0x1000; ++index) firmware[index] = static_cast<std::uint8_t>(index * 7);
  return firmware;
}

std::vector<std::string> Check(const SProgramParts& parts, EArchitecture architecture,
                               const std::vector<std::uint8_t>& firmware) {
  const std::vector<std::uint8_t> file = BuildProgram(parts);
  CPeImage image;
  std::string error;
  if (!image.Load(file, error)) return {"load: " + error};
  CCheckLog log;
  CheckProgramResources(image, architecture, firmware, log);
  return log.failures();
}

std::string Joined(const std::vector<std::string>& failures) {
  std::string text;
  for (const std::string& failure : failures) text += failure + "\n";
  return text;
}

TEST(ResourceChecks, PassTheProgramAsDesignedForBothArchitectures) {
  const std::vector<std::uint8_t> firmware = SmallFirmware();
  for (const EArchitecture architecture : {EArchitecture::kX86, EArchitecture::kX64}) {
    EXPECT_EQ(Joined(Check(DesignedProgram(architecture, firmware), architecture, firmware)), "");
  }
}

SDialogTemplate& Dialog(SProgramParts& parts, std::uint16_t id) { return parts.dialogs.at(id); }

// The cases name only children that the designed block has.
SVersionBlock& VersionChild(SVersionBlock& node, std::u16string_view key) {
  return *std::find_if(node.children.begin(), node.children.end(),
                       [key](const SVersionBlock& child) { return child.key == key; });
}

void Replace(std::string& text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
}

struct SSpoilt {
  const char* name;
  std::function<void(SProgramParts&)> spoil;
  const char* failure;  // part of the failure the checks must report
};

// Each case spoils one detail of an x64 program; the checks must name it.
const SSpoilt kSpoilt[] = {
    {"line feed as CR LF", [](auto& parts) { parts.texts[IDS_READY] = Utf8ToUtf16("アップデートが実行できます。\r\n[ アップデート ] ボタンを押してください。"); },
     "string 118"},
    {"trailing blank lost", [](auto& parts) { parts.texts[IDS_INITIALIZING].pop_back(); }, "string 104"},
    {"full-width question mark as ASCII", [](auto& parts) { parts.texts[IDS_CONFIRM_UPDATE].back() = u'?'; },
     "string 120"},
    {"a text too many", [](auto& parts) { parts.texts[108] = u"x"; }, "string 108"},
    {"a text missing", [](auto& parts) { parts.texts.erase(IDS_APP_TITLE); }, "resource 6/3585"},
    {"strings in English", [](auto& parts) { parts.string_language = kLanguageEnglishUs; }, "language"},
    {"window menu on the main dialog", [](auto& parts) { Dialog(parts, 102).style |= 0x00080000; },
     "dialog 102 style"},
    {"main dialog without its extended style", [](auto& parts) { Dialog(parts, 102).ex_style = 0; },
     "dialog 102 extended style"},
    {"main dialog one unit wider", [](auto& parts) { Dialog(parts, 102).width++; }, "dialog 102 width"},
    {"caption differs", [](auto& parts) { Dialog(parts, 102).caption.pop_back(); }, "dialog 102 caption"},
    {"bold font", [](auto& parts) { Dialog(parts, 100).weight = 700; }, "dialog 100 font weight"},
    {"font character set", [](auto& parts) { Dialog(parts, 100).charset = 128; }, "dialog 100 font character set"},
    {"other typeface", [](auto& parts) { Dialog(parts, 100).typeface = u"MS Shell Dlg"; }, "dialog 100 typeface"},
    {"Cancel visible", [](auto& parts) { Dialog(parts, 102).controls[1].style |= 0x10000000; },
     "dialog 102 control 2 style"},
    {"status line moved", [](auto& parts) { Dialog(parts, 102).controls[3].y = 8; }, "dialog 102 control 4 y"},
    {"controls in another order",
     [](auto& parts) { std::swap(Dialog(parts, 102).controls[0], Dialog(parts, 102).controls[2]); },
     "dialog 102 control 1 ID"},
    {"a control missing", [](auto& parts) { Dialog(parts, 100).controls.pop_back(); }, "dialog 100: 3 controls"},
    {"button class by name",
     [](auto& parts) { Dialog(parts, 102).controls[0].window_class = SResourceName::Named(u"Button"); },
     "dialog 102 control 1 class"},
    {"progress bar of another class",
     [](auto& parts) { Dialog(parts, 102).controls[4].window_class = SResourceName::Named(u"msctls_trackbar32"); },
     "dialog 102 control 5 class"},
    {"icon given by name",
     [](auto& parts) { Dialog(parts, 100).controls[0].text = SResourceName::Named(u"IDI_MAIN"); },
     "dialog 100 control 1 text"},
    {"static ID 0xFFFF instead of -1", [](auto& parts) { Dialog(parts, 100).controls[1].id = 0xFFFF; },
     "dialog 100 control 2 ID"},
    {"control extended style", [](auto& parts) { Dialog(parts, 100).controls[3].ex_style = 0x4; },
     "dialog 100 control 4 extended style"},
    {"old-style template", [](auto& parts) { Dialog(parts, 100).signature = 0; }, "not an extended dialog"},
    {"icon group one image short",
     [](auto& parts) {
       parts.icon_group.pop_back();
       parts.icon_images.pop_back();
     },
     "12 images"},
    {"two images swapped", [](auto& parts) { std::swap(parts.icon_group[2], parts.icon_group[3]); },
     "icon image 3 width"},
    {"256 pixels as a bitmap",
     [](auto& parts) {
       parts.icon_images[8] = EncodeBitmapImage(256, 32);
       parts.icon_group[8].size = static_cast<std::uint32_t>(parts.icon_images[8].size());
     },
     "icon image 9: not PNG"},
    {"group claims a depth the image lacks", [](auto& parts) { parts.icon_group[5].bit_count = 4; },
     "icon image 6 bits per pixel"},
    {"16-colour image with 256 colours",
     [](auto& parts) {
       parts.icon_images[1] = EncodeBitmapImage(32, 8);
       parts.icon_group[1].size = static_cast<std::uint32_t>(parts.icon_images[1].size());
     },
     "icon image 2 image bits per pixel"},
    {"group size unlike the image's", [](auto& parts) { parts.icon_group[0].size++; }, "icon image 1 size in the group"},
    {"bitmap cut short", [](auto& parts) { parts.icon_images[4].pop_back(); }, "icon image 5: icon DIB of"},
    {"PNG header damaged", [](auto& parts) { parts.icon_images[8][20]++; }, "icon image 9: PNG IHDR chunk fails"},
    {"icon outside the group",
     [](auto& parts) {
       parts.icon_images.push_back(EncodeBitmapImage(16, 32));
     },
     "icon 14: not in icon group"},
    {"file version 1.0.0.4", [](auto& parts) { parts.version.value[12] = 4; }, "version block file version, low"},
    {"flags mask", [](auto& parts) { parts.version.value[24] = 0x17; }, "version block flags mask"},
    {"English string table",
     [](auto& parts) { VersionChild(parts.version, u"StringFileInfo").children[0].key = u"040904b0"; },
     "version string table"},
    {"product name",
     [](auto& parts) {
       VersionChild(parts.version, u"StringFileInfo").children[0].children[4] =
           VersionString(u"ProductName", u"Zentor Update");
     },
     "version ProductName"},
    {"a version string missing",
     [](auto& parts) { VersionChild(parts.version, u"StringFileInfo").children[0].children.pop_back(); },
     "version ProductVersion: missing"},
    {"translation in English",
     [](auto& parts) {
       std::vector<std::uint8_t>& value = VersionChild(VersionChild(parts.version, u"VarFileInfo"), u"Translation").value;
       value[0] = 0x09;  // 0x0409
     },
     "version translation language"},
    {"manifest for the other architecture",
     [](auto& parts) { Replace(parts.manifest, "\"amd64\"", "\"x86\""); }, "processorArchitecture"},
    {"manifest asks for elevation",
     [](auto& parts) { Replace(parts.manifest, "asInvoker", "requireAdministrator"); },
     "<requestedExecutionLevel> level"},
    {"manifest with uiAccess", [](auto& parts) { Replace(parts.manifest, "uiAccess=\"false\"", "uiAccess=\"true\""); },
     "uiAccess"},
    {"manifest not DPI aware", [](auto& parts) { Replace(parts.manifest, ">true<", ">false<"); }, "<dpiAware>"},
    {"common controls 5", [](auto& parts) { Replace(parts.manifest, "6.0.0.0", "5.82.0.0"); },
     "<assemblyIdentity> version"},
    {"other key token", [](auto& parts) { Replace(parts.manifest, "6595b64144ccf1df", "0000000000000000"); },
     "publicKeyToken"},
    {"manifest in Japanese", [](auto& parts) { parts.manifest_language = kLanguageJapanese; }, "resource 24/1 language"},
    {"firmware one byte off", [](auto& parts) { parts.firmware[0x1234] ^= 1; }, "differs from the image from offset 0x00001234"},
    {"firmware cut short", [](auto& parts) { parts.firmware.pop_back(); }, "firmware resource size"},
    {"firmware type in lower case", [](auto& parts) { parts.firmware_type = u"dmp"; }, "resource \"DMP\"/131: missing"},
    {"a menu too many",
     [](auto& parts) { parts.extra.push_back({SResourceName::Id(4), SResourceName::Id(128), kLanguageJapanese, {0, 0}}); },
     "resource 4/128 language 1041: not one"},
    {"the x86 build's machine", [](auto& parts) { parts.machine = kMachineX86; }, "machine"},
    {"PE32 header in the x64 build", [](auto& parts) { parts.pe32_plus = false; }, "optional header"},
};

TEST(ResourceChecks, NameEachSpoiltDetail) {
  const std::vector<std::uint8_t> firmware = SmallFirmware();
  for (const SSpoilt& spoilt : kSpoilt) {
    SProgramParts parts = DesignedProgram(EArchitecture::kX64, firmware);
    spoilt.spoil(parts);
    const std::string failures = Joined(Check(parts, EArchitecture::kX64, firmware));
    EXPECT_NE(failures.find(spoilt.failure), std::string::npos)
        << spoilt.name << ": expected a failure naming \"" << spoilt.failure << "\", got:\n" << failures;
  }
}

TEST(ResourceChecks, ClassNamesMatchWithoutRegardToCase) {
  // The resource compiler stores named classes in capitals; the system finds
  // window classes without regard to case.
  const std::vector<std::uint8_t> firmware = SmallFirmware();
  SProgramParts parts = DesignedProgram(EArchitecture::kX86, firmware);
  Dialog(parts, 102).controls[4].window_class = SResourceName::Named(u"MSCTLS_PROGRESS32");
  EXPECT_EQ(Joined(Check(parts, EArchitecture::kX86, firmware)), "");
}

TEST(ResourceChecks, ArchitectureArgument) {
  EArchitecture architecture{};
  EXPECT_TRUE(ParseArchitecture("x86", architecture));
  EXPECT_EQ(architecture, EArchitecture::kX86);
  EXPECT_TRUE(ParseArchitecture("x64", architecture));
  EXPECT_EQ(architecture, EArchitecture::kX64);
  for (const char* wrong : {"", "amd64", "X64", "x86_64", "arm64"}) EXPECT_FALSE(ParseArchitecture(wrong, architecture)) << wrong;
}

}  // namespace
