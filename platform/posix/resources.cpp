// The program's one resource, "DMP" 131, the firmware image. By default it is
// the image linked into the build (res/embedded_firmware.h); tests may put
// other bytes in its place or take it away.
#include "embedded_firmware.h"
#include "posix_platform.h"

namespace {

constexpr WORD kFirmwareId = 131;
constexpr wchar_t kFirmwareType[] = L"DMP";
constexpr DWORD kErrorResourceTypeNotFound = 1813;

enum class ESource { Embedded, Override, None };

struct SResource {
  ESource source = ESource::Embedded;
  std::vector<std::uint8_t> overrideBytes;
};

SResource& Resource() {
  static SResource resource;
  return resource;
}

// The HRSRC of the one resource: the address of a private object.
char g_resourceInfo;
// What LockResource gives for an empty resource: a valid address of no bytes.
std::uint8_t g_emptyResource;

HRSRC ResourceHandle() { return reinterpret_cast<HRSRC>(&g_resourceInfo); }

bool IsIntResource(LPCWSTR pName) { return (reinterpret_cast<ULONG_PTR>(pName) >> 16) == 0; }

// A resource name: an integer ID, or "#131" as a string.
bool NameIs(LPCWSTR pName, WORD nId) {
  if (pName == nullptr) return false;
  if (IsIntResource(pName)) return reinterpret_cast<ULONG_PTR>(pName) == nId;
  return pName[0] == L'#' && std::wstring(pName + 1) == std::to_wstring(nId);
}

// Resource type names are compared without regard to case, as Windows does.
bool TypeIs(LPCWSTR pType, const wchar_t* pName) {
  const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
  if (pType == nullptr || IsIntResource(pType)) return false;
  std::size_t i = 0;
  for (; pName[i] != 0; ++i) {
    if (upper(pType[i]) != pName[i]) return false;
  }
  return pType[i] == 0;
}

const std::uint8_t* Bytes() {
  const SResource& resource = Resource();
  if (resource.source == ESource::Embedded) return orvane_firmware_begin;
  if (resource.source == ESource::Override && !resource.overrideBytes.empty()) return resource.overrideBytes.data();
  return resource.source == ESource::Override ? &g_emptyResource : nullptr;
}

DWORD Size() {
  const SResource& resource = Resource();
  if (resource.source == ESource::Embedded) return static_cast<DWORD>(orvane_firmware_end - orvane_firmware_begin);
  return static_cast<DWORD>(resource.overrideBytes.size());
}

}  // namespace

HRSRC FindResourceW(HMODULE /*hModule: the program's own module*/, LPCWSTR lpName, LPCWSTR lpType) {
  if (Resource().source == ESource::None || !TypeIs(lpType, kFirmwareType)) {
    SetLastError(kErrorResourceTypeNotFound);
    return nullptr;
  }
  if (!NameIs(lpName, kFirmwareId)) {
    SetLastError(kErrorResourceTypeNotFound + 1);  // ERROR_RESOURCE_NAME_NOT_FOUND
    return nullptr;
  }
  return ResourceHandle();
}

// The pointer stays valid until a test replaces or removes the resource.
HGLOBAL LoadResource(HMODULE /*hModule*/, HRSRC hResInfo) {
  if (hResInfo != ResourceHandle() || Bytes() == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return const_cast<std::uint8_t*>(Bytes());
}

// As on Windows, the loaded resource's handle is already its address.
LPVOID LockResource(HGLOBAL hResData) { return hResData; }

DWORD SizeofResource(HMODULE /*hModule*/, HRSRC hResInfo) {
  if (hResInfo != ResourceHandle() || Bytes() == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return Size();
}

namespace posix_platform {

void SetFirmwareResource(std::vector<std::uint8_t> bytes) {
  Resource().overrideBytes = std::move(bytes);
  Resource().source = ESource::Override;
}

void RemoveFirmwareResource() {
  Resource().overrideBytes.clear();
  Resource().source = ESource::None;
}

void UseEmbeddedFirmware() {
  Resource().overrideBytes.clear();
  Resource().source = ESource::Embedded;
}

}  // namespace posix_platform
