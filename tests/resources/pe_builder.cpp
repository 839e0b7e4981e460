#include "pe_builder.h"

#include <algorithm>
#include <map>
#include <string>

namespace {

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, value);
  Put16(bytes, at + 2, value >> 16);
}

// Named entries first, by name; then IDs, ascending.
struct SNameOrder {
  bool operator()(const SResourceName& left, const SResourceName& right) const {
    if (left.named != right.named) return left.named;
    return left.named ? left.name < right.name : left.id < right.id;
  }
};

using LanguageMap = std::map<std::uint16_t, const SBuiltResource*>;
using NameMap = std::map<SResourceName, LanguageMap, SNameOrder>;
using TypeMap = std::map<SResourceName, NameMap, SNameOrder>;

std::size_t DirectorySize(std::size_t entries) { return 16 + 8 * entries; }

class CTreeWriter {
 public:
  explicit CTreeWriter(const TypeMap& types) : m_types(types) {}

  std::vector<std::uint8_t> Write() {
    // Layout: every directory, then the data entries, then names and data
    // as they come.
    std::size_t directories = DirectorySize(m_types.size());
    std::size_t leaves = 0;
    for (const auto& [type, names] : m_types) {
      directories += DirectorySize(names.size());
      for (const auto& [name, languages] : names) {
        directories += DirectorySize(languages.size());
        leaves += languages.size();
      }
    }
    m_next_directory = 0;
    m_next_leaf = directories;
    m_bytes.assign(directories + 16 * leaves, 0);
    WriteTypes();
    return std::move(m_bytes);
  }

 private:
  std::uint32_t NameField(const SResourceName& name) {
    if (!name.named) return name.id;
    const auto offset = static_cast<std::uint32_t>(m_bytes.size());
    m_bytes.resize(m_bytes.size() + 2 + 2 * name.name.size());
    Put16(m_bytes, offset, static_cast<std::uint32_t>(name.name.size()));
    for (std::size_t index = 0; index < name.name.size(); ++index) Put16(m_bytes, offset + 2 + 2 * index, name.name[index]);
    return offset | 0x80000000u;
  }

  std::size_t StartDirectory(std::size_t named, std::size_t ids) {
    const std::size_t at = m_next_directory;
    m_next_directory += DirectorySize(named + ids);
    Put16(m_bytes, at + 12, static_cast<std::uint32_t>(named));
    Put16(m_bytes, at + 14, static_cast<std::uint32_t>(ids));
    return at;
  }

  template <typename Map>
  std::size_t StartDirectoryFor(const Map& map) {
    const auto named = static_cast<std::size_t>(
        std::count_if(map.begin(), map.end(), [](const auto& entry) { return entry.first.named; }));
    return StartDirectory(named, map.size() - named);
  }

  // A directory of types or of names: each entry leads to the directory of
  // the level below, written right after it.
  template <typename Map, typename WriteChild>
  void WriteLevel(const Map& map, WriteChild write_child) {
    std::size_t entry = StartDirectoryFor(map) + 16;
    for (const auto& [name, child] : map) {
      Put32(m_bytes, entry, NameField(name));
      Put32(m_bytes, entry + 4, static_cast<std::uint32_t>(m_next_directory) | 0x80000000u);
      entry += 8;
      write_child(child);
    }
  }

  void WriteTypes() {
    WriteLevel(m_types, [this](const NameMap& names) {
      WriteLevel(names, [this](const LanguageMap& languages) { WriteLanguages(languages); });
    });
  }

  void WriteLanguages(const LanguageMap& languages) {
    const std::size_t directory = StartDirectory(0, languages.size());
    std::size_t entry = directory + 16;
    for (const auto& [language, resource] : languages) {
      const std::size_t leaf = m_next_leaf;
      m_next_leaf += 16;
      Put32(m_bytes, entry, language);
      Put32(m_bytes, entry + 4, static_cast<std::uint32_t>(leaf));
      entry += 8;
      // The data goes at the end, eight-aligned, as linkers place it.
      m_bytes.resize((m_bytes.size() + 7) / 8 * 8);
      Put32(m_bytes, leaf, kBuiltSectionRva + static_cast<std::uint32_t>(m_bytes.size()));
      Put32(m_bytes, leaf + 4, static_cast<std::uint32_t>(resource->data.size()));
      m_bytes.insert(m_bytes.end(), resource->data.begin(), resource->data.end());
    }
  }

  const TypeMap& m_types;
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_next_directory = 0;
  std::size_t m_next_leaf = 0;
};

}  // namespace

std::vector<std::uint8_t> BuildPeFile(std::uint16_t machine, bool pe32_plus,
                                      const std::vector<SBuiltResource>& resources) {
  TypeMap types;
  for (const SBuiltResource& resource : resources) types[resource.type][resource.name][resource.language] = &resource;
  std::vector<std::uint8_t> tree = CTreeWriter(types).Write();

  const std::uint32_t optional_size = pe32_plus ? 240 : 224;
  const std::uint32_t optional_start = 0x40 + 4 + 20;
  std::vector<std::uint8_t> file(kBuiltSectionOffset, 0);
  file[0] = 'M';
  file[1] = 'Z';
  Put32(file, 0x3C, 0x40);
  Put32(file, 0x40, 0x00004550);
  Put16(file, 0x44, machine);
  Put16(file, 0x46, 1);
  Put16(file, 0x54, optional_size);
  Put16(file, 0x56, 0x0102);
  Put16(file, optional_start, pe32_plus ? 0x20B : 0x10B);
  const std::uint32_t directories = optional_start + (pe32_plus ? 108 : 92);
  Put32(file, directories, 16);
  Put32(file, directories + 4 + 8 * 2, kBuiltSectionRva);
  Put32(file, directories + 4 + 8 * 2 + 4, static_cast<std::uint32_t>(tree.size()));

  const std::uint32_t section = optional_start + optional_size;
  const std::string name = ".rsrc";
  std::copy(name.begin(), name.end(), file.begin() + section);
  Put32(file, section + 8, static_cast<std::uint32_t>(tree.size()));
  Put32(file, section + 12, kBuiltSectionRva);
  Put32(file, section + 16, static_cast<std::uint32_t>(tree.size()));
  Put32(file, section + 20, kBuiltSectionOffset);
  file.insert(file.end(), tree.begin(), tree.end());
  return file;
}
