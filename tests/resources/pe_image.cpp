#include "pe_image.h"

#include "byte_reader.h"
#include "utf16.h"

namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kResourceDirectoryIndex = 2;
// A well-formed tree has one directory per type and per name; far more than
// any program carries bounds a file whose entries point back at each other.
constexpr int kMostDirectories = 4096;

}  // namespace

std::string Describe(const SResourceName& name) {
  if (!name.named) return std::to_string(name.id);
  std::string utf8;
  return Utf16ToUtf8(name.name, utf8) ? "\"" + utf8 + "\"" : "(bad name)";
}

bool CPeImage::MapRva(std::uint32_t rva, std::uint32_t size, std::span<const std::uint8_t>& bytes) const {
  for (const SSection& section : m_sections) {
    if (rva < section.virtual_address) continue;
    const std::uint64_t start = rva - section.virtual_address;
    if (start + size > section.raw_size) continue;
    const std::uint64_t file_offset = section.raw_offset + start;
    if (file_offset + size > m_file.size()) return false;
    bytes = m_file.subspan(static_cast<std::size_t>(file_offset), size);
    return true;
  }
  return false;
}

bool CPeImage::Load(std::span<const std::uint8_t> file, std::string& error) {
  m_file = file;
  m_sections.clear();
  m_resources.clear();
  m_directories_read = 0;

  CByteReader dos(file);
  std::uint16_t magic = 0;
  std::uint32_t pe_offset = 0;
  if (!dos.U16(magic) || magic != 0x5A4D || !dos.Skip(0x3C - 2) || !dos.U32(pe_offset)) {
    error = "no MZ header";
    return false;
  }
  CByteReader header(file, pe_offset);
  std::uint32_t signature = 0;
  std::uint16_t section_count = 0;
  std::uint16_t optional_size = 0;
  if (!header.U32(signature) || signature != 0x00004550) {
    error = "no PE signature";
    return false;
  }
  if (!header.U16(m_machine) || !header.U16(section_count) || !header.Skip(12) || !header.U16(optional_size) ||
      !header.Skip(2)) {
    error = "file header cut short";
    return false;
  }
  const std::size_t optional_start = header.offset();
  std::uint16_t optional_magic = 0;
  if (!header.U16(optional_magic) || (optional_magic != 0x10B && optional_magic != 0x20B)) {
    error = "unknown optional header";
    return false;
  }
  m_pe32_plus = optional_magic == 0x20B;
  // The count of data directories and the directories follow the fields whose
  // size differs between PE32 and PE32+.
  CByteReader directories(file, optional_start + (m_pe32_plus ? 108 : 92));
  std::uint32_t directory_count = 0;
  std::uint32_t tree_rva = 0;
  std::uint32_t tree_size = 0;
  if (!directories.U32(directory_count) || directory_count <= kResourceDirectoryIndex ||
      !directories.Skip(8 * kResourceDirectoryIndex) || !directories.U32(tree_rva) || !directories.U32(tree_size) ||
      directories.offset() > optional_start + optional_size) {
    error = "no resource directory entry";
    return false;
  }

  CByteReader sections(file, optional_start + optional_size);
  for (std::uint16_t index = 0; index < section_count; ++index) {
    SSection section{};
    std::uint32_t virtual_size = 0;
    if (!sections.Skip(8) || !sections.U32(virtual_size) || !sections.U32(section.virtual_address) ||
        !sections.U32(section.raw_size) || !sections.U32(section.raw_offset) || !sections.Skip(16)) {
      error = "section table cut short";
      return false;
    }
    m_sections.push_back(section);
  }
  if (tree_rva == 0 || tree_size == 0) {
    error = "the program has no resources";
    return false;
  }
  // The tree's offsets count from its root and may reach anywhere in the
  // section, not only within the size the directory entry gives.
  for (const SSection& section : m_sections) {
    if (tree_rva < section.virtual_address || tree_rva - section.virtual_address >= section.raw_size) continue;
    if (!MapRva(tree_rva, section.raw_size - (tree_rva - section.virtual_address), m_tree)) break;
    SResource path;
    return ReadDirectory(0, 0, path, error);
  }
  error = "resource directory outside the file";
  return false;
}

bool CPeImage::ReadName(std::uint32_t entry_name, SResourceName& name, std::string& error) const {
  if ((entry_name & kHighBit) == 0) {
    if (entry_name > 0xFFFF) {
      error = "resource ID above 65535";
      return false;
    }
    name = SResourceName::Id(static_cast<std::uint16_t>(entry_name));
    return true;
  }
  CByteReader reader(m_tree, entry_name & ~kHighBit);
  std::uint16_t length = 0;
  name = SResourceName::Named({});
  if (!reader.U16(length)) {
    error = "resource name outside the section";
    return false;
  }
  for (std::uint16_t index = 0; index < length; ++index) {
    std::uint16_t unit = 0;
    if (!reader.U16(unit)) {
      error = "resource name outside the section";
      return false;
    }
    name.name.push_back(static_cast<char16_t>(unit));
  }
  return true;
}

bool CPeImage::ReadDirectory(std::uint32_t offset, int level, SResource& path, std::string& error) {
  if (++m_directories_read > kMostDirectories) {
    error = "resource tree loops or is implausibly large";
    return false;
  }
  CByteReader reader(m_tree, offset);
  std::uint16_t named_count = 0;
  std::uint16_t id_count = 0;
  if (!reader.Skip(12) || !reader.U16(named_count) || !reader.U16(id_count)) {
    error = "resource directory outside the section";
    return false;
  }
  for (int index = 0; index < named_count + id_count; ++index) {
    std::uint32_t entry_name = 0;
    std::uint32_t target = 0;
    if (!reader.U32(entry_name) || !reader.U32(target)) {
      error = "resource directory entries outside the section";
      return false;
    }
    SResourceName name;
    if (!ReadName(entry_name, name, error)) return false;
    const bool subdirectory = (target & kHighBit) != 0;
    if (subdirectory != (level < 2)) {
      error = "resource tree is not three levels deep (type, name, language)";
      return false;
    }
    if (level == 0) path.type = name;
    if (level == 1) path.name = name;
    if (subdirectory) {
      if (!ReadDirectory(target & ~kHighBit, level + 1, path, error)) return false;
      continue;
    }
    if (name.named) {
      error = "resource language given by name";
      return false;
    }
    path.language = name.id;
    CByteReader data_entry(m_tree, target);
    std::uint32_t data_rva = 0;
    std::uint32_t data_size = 0;
    if (!data_entry.U32(data_rva) || !data_entry.U32(data_size)) {
      error = "resource data entry outside the section";
      return false;
    }
    if (!MapRva(data_rva, data_size, path.data)) {
      error = "data of resource " + Describe(path.type) + "/" + Describe(path.name) + " outside the file";
      return false;
    }
    m_resources.push_back(path);
  }
  return true;
}

const SResource* CPeImage::Find(const SResourceName& type, const SResourceName& name) const {
  for (const SResource& resource : m_resources) {
    if (resource.type == type && resource.name == name) return &resource;
  }
  return nullptr;
}
