#include <gtest/gtest.h>

#include <functional>

#include "pe_builder.h"
#include "pe_image.h"

namespace {

std::vector<SBuiltResource> SampleResources() {
  return {
      {SResourceName::Named(u"DMP"), SResourceName::Id(131), 1041, {1, 2, 3, 4, 5}},
      {SResourceName::Id(6), SResourceName::Id(7), 1041, {0, 0, 6, 0}},
      {SResourceName::Id(24), SResourceName::Id(1), 1033, {'<', '?', 'x'}},
      {SResourceName::Id(24), SResourceName::Id(1), 1041, {'<'}},
      {SResourceName::Id(10), SResourceName::Named(u"SETTINGS"), 0, {9}},
  };
}

TEST(PeImage, ReadsEveryResourceOfBothFormats) {
  for (const bool pe32_plus : {false, true}) {
    const std::uint16_t machine = pe32_plus ? kMachineX64 : kMachineX86;
    const std::vector<std::uint8_t> file = BuildPeFile(machine, pe32_plus, SampleResources());
    CPeImage image;
    std::string error;
    ASSERT_TRUE(image.Load(file, error)) << error;
    EXPECT_EQ(image.machine(), machine);
    EXPECT_EQ(image.pe32_plus(), pe32_plus);
    ASSERT_EQ(image.resources().size(), SampleResources().size());
    for (const SBuiltResource& built : SampleResources()) {
      bool found = false;
      for (const SResource& resource : image.resources()) {
        if (resource.type == built.type && resource.name == built.name && resource.language == built.language) {
          EXPECT_FALSE(found) << Describe(built.type) << "/" << Describe(built.name) << " twice";
          found = true;
          EXPECT_TRUE(std::equal(resource.data.begin(), resource.data.end(), built.data.begin(), built.data.end()));
        }
      }
      EXPECT_TRUE(found) << Describe(built.type) << "/" << Describe(built.name) << " " << built.language;
    }
    const SResource* firmware = image.Find(SResourceName::Named(u"DMP"), SResourceName::Id(131));
    ASSERT_NE(firmware, nullptr);
    EXPECT_EQ(firmware->data.size(), 5u);
    EXPECT_EQ(image.Find(SResourceName::Named(u"dmp"), SResourceName::Id(131)), nullptr);
  }
}

std::uint32_t Read32(const std::vector<std::uint8_t>& file, std::size_t at) {
  return static_cast<std::uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24);
}

void Write32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
  for (int index = 0; index < 4; ++index) file[at + index] = static_cast<std::uint8_t>(value >> (8 * index));
}

// Offsets in the built file: the PE32+ data directories begin at 0x58 + 112,
// the resource entry is the third; the tree's root is at the section start.
constexpr std::size_t kResourceDirectoryEntry = 0x58 + 112 + 8 * 2;
constexpr std::size_t kRoot = kBuiltSectionOffset;
constexpr std::size_t kFirstTypeEntry = kRoot + 16;

struct SDamage {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&)> spoil;
  const char* reason;
};

TEST(PeImage, RefusesDamagedFilesWithAReason) {
  const SDamage cases[] = {
      {"empty file", [](auto& file) { file.clear(); }, "MZ"},
      {"not MZ", [](auto& file) { file[0] = 'Z'; }, "MZ"},
      {"PE header beyond the end", [](auto& file) { Write32(file, 0x3C, 0x7FFFFFF0); }, "PE signature"},
      {"no PE signature", [](auto& file) { file[0x41] = 'X'; }, "PE signature"},
      {"unknown optional header", [](auto& file) { file[0x58] = 0x07; }, "optional header"},
      {"no resources", [](auto& file) { Write32(file, kResourceDirectoryEntry, 0); }, "no resources"},
      {"resource directory outside every section",
       [](auto& file) { Write32(file, kResourceDirectoryEntry, 0x9000); }, "outside"},
      {"file cut inside the tree", [](auto& file) { file.resize(kRoot + 20); }, "outside"},
      {"type entry pointing outside the section",
       [](auto& file) { Write32(file, kFirstTypeEntry + 4, 0x80000000u | 0x00FFFFF0); }, "outside"},
      {"type entry pointing back at the root", [](auto& file) { Write32(file, kFirstTypeEntry + 4, 0x80000000u); },
       "three levels"},
      {"data where a name directory belongs",
       [](auto& file) { Write32(file, kFirstTypeEntry + 4, Read32(file, kFirstTypeEntry + 4) & 0x7FFFFFFF); },
       "three levels"},
      {"type name outside the section", [](auto& file) { Write32(file, kFirstTypeEntry, 0x80000000u | 0x00FFFFF0); },
       "name outside"},
  };
  const std::vector<std::uint8_t> good = BuildPeFile(kMachineX64, true, SampleResources());
  // The first type entry is the named one ("DMP"), by the format's order.
  ASSERT_NE(Read32(good, kFirstTypeEntry) & 0x80000000u, 0u);
  for (const SDamage& damage : cases) {
    std::vector<std::uint8_t> file = good;
    damage.spoil(file);
    CPeImage image;
    std::string error;
    EXPECT_FALSE(image.Load(file, error)) << damage.name;
    EXPECT_NE(error.find(damage.reason), std::string::npos) << damage.name << ": " << error;
  }
}

TEST(PeImage, RefusesResourceDataBeyondTheFile) {
  std::vector<std::uint8_t> file = BuildPeFile(kMachineX86, false, {{SResourceName::Id(6), SResourceName::Id(7), 1041, {1, 2}}});
  // Three directories of one entry each (types, names, languages), then the
  // data entry: RVA and size.
  const std::size_t data_entry = kRoot + 3 * 24;
  ASSERT_EQ(Read32(file, data_entry + 4), 2u);
  Write32(file, data_entry + 4, 0x100000);
  CPeImage image;
  std::string error;
  EXPECT_FALSE(image.Load(file, error));
  EXPECT_NE(error.find("6/7 outside the file"), std::string::npos) << error;
}

}  // namespace
