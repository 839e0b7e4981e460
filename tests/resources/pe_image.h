// The resources of a Windows executable, read from the file's bytes: the
// three-level tree of type, name and language in the resource section.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct SResourceName {
  bool named = false;
  std::uint16_t id = 0;
  std::u16string name;

  static SResourceName Id(std::uint16_t id) { return {false, id, {}}; }
  static SResourceName Named(std::u16string name) { return {true, 0, std::move(name)}; }
  bool operator==(const SResourceName&) const = default;
};

std::string Describe(const SResourceName& name);

struct SResource {
  SResourceName type;
  SResourceName name;
  std::uint16_t language = 0;
  std::span<const std::uint8_t> data;
};

inline constexpr std::uint16_t kMachineX86 = 0x014C;
inline constexpr std::uint16_t kMachineX64 = 0x8664;

class CPeImage {
 public:
  // Reads the headers and the whole resource tree. The file's bytes must
  // outlive the image: the resources point into them. False with a reason
  // when the file is not a PE image or its resource tree does not hold
  // together (offsets out of range, a level too many or too few, loops).
  bool Load(std::span<const std::uint8_t> file, std::string& error);

  std::uint16_t machine() const { return m_machine; }
  bool pe32_plus() const { return m_pe32_plus; }
  const std::vector<SResource>& resources() const { return m_resources; }
  // The resource of this type and name, in whatever language; nullptr when
  // there is none.
  const SResource* Find(const SResourceName& type, const SResourceName& name) const;

 private:
  struct SSection {
    std::uint32_t virtual_address;
    std::uint32_t raw_size;
    std::uint32_t raw_offset;
  };
  bool MapRva(std::uint32_t rva, std::uint32_t size, std::span<const std::uint8_t>& bytes) const;
  bool ReadName(std::uint32_t entry_name, SResourceName& name, std::string& error) const;
  bool ReadDirectory(std::uint32_t offset, int level, SResource& path, std::string& error);

  std::span<const std::uint8_t> m_file;
  std::span<const std::uint8_t> m_tree;  // the resource section from the tree's root on
  std::vector<SSection> m_sections;
  std::vector<SResource> m_resources;
  std::uint16_t m_machine = 0;
  bool m_pe32_plus = false;
  int m_directories_read = 0;
};
