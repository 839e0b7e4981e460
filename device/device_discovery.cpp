// CHidDevice::Open: finding the Zentor among the present HID interfaces.
#include <memory>
#include <new>

#include "device_identity.h"
#include "hid_device.h"

namespace {

// The device information set of one search, destroyed on every way out.
class CDeviceInfoList {
 public:
  explicit CDeviceInfoList(HDEVINFO hDevInfo) : m_hDevInfo(hDevInfo) {}
  ~CDeviceInfoList() {
    if (m_hDevInfo != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(m_hDevInfo);
  }
  CDeviceInfoList(const CDeviceInfoList&) = delete;
  CDeviceInfoList& operator=(const CDeviceInfoList&) = delete;
  bool IsValid() const { return m_hDevInfo != INVALID_HANDLE_VALUE; }
  HDEVINFO Get() const { return m_hDevInfo; }

 private:
  HDEVINFO m_hDevInfo;
};

// The interface index of the search is a 16-bit counter: it can tell 65,536
// interfaces apart. A list longer than that ends the search there instead of
// wrapping the counter and examining the list again from the start.
constexpr DWORD kMaxInterfaces = 0x10000;

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The detail record of one interface in a heap buffer of the size the system
// asks for. Null when the size is too small to hold the record, the memory
// cannot be had, or the record cannot be read.
std::unique_ptr<BYTE[]> ReadInterfaceDetail(HDEVINFO hDevInfo, SP_DEVICE_INTERFACE_DATA& interfaceData) {
  DWORD dwRequired = 0;
  SetupDiGetDeviceInterfaceDetailW(hDevInfo, &interfaceData, nullptr, 0, &dwRequired, nullptr);
  // At least the record and a terminating zero character.
  if (dwRequired < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) + sizeof(WCHAR)) return nullptr;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[dwRequired]);
  if (!buffer) return nullptr;
  auto* pDetail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.get());
  pDetail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  DWORD dwUnused = 0;
  if (!SetupDiGetDeviceInterfaceDetailW(hDevInfo, &interfaceData, pDetail, dwRequired, &dwUnused, nullptr)) {
    return nullptr;
  }
  // The path is opened as a zero-terminated string: make sure it is one
  // within the buffer whatever the system wrote.
  auto* pLast = reinterpret_cast<WCHAR*>(buffer.get() + dwRequired - sizeof(WCHAR));
  *pLast = L'\0';
  return buffer;
}

}  // namespace

bool CHidDevice::Open() {
  Close();

  GUID hidGuid{};
  HidD_GetHidGuid(&hidGuid);
  CDeviceInfoList deviceInfo(SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!deviceInfo.IsValid()) return false;

  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof(security);
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = FALSE;

  for (DWORD dwIndex = 0; dwIndex < kMaxInterfaces; ++dwIndex) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    // Fails at the end of the list: the usual end of a search that found nothing.
    if (!SetupDiEnumDeviceInterfaces(deviceInfo.Get(), nullptr, &hidGuid, dwIndex, &interfaceData)) break;

    std::unique_ptr<BYTE[]> detailBuffer = ReadInterfaceDetail(deviceInfo.Get(), interfaceData);
    if (!detailBuffer) break;
    const auto* pDetail = reinterpret_cast<const SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer.get());

    // With no access rights any HID interface opens, even one that another
    // program holds, and its attributes can still be read.
    m_hDevice = CreateFileW(pDetail->DevicePath, 0, kShareReadWrite, &security, OPEN_EXISTING, 0, nullptr);
    if (m_hDevice == INVALID_HANDLE_VALUE) break;

    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (!HidD_GetAttributes(m_hDevice, &attributes)) break;

    if (attributes.VendorID == VENDOR_ID && attributes.ProductID == PRODUCT_ID) {
      return OpenFoundInterface(pDetail->DevicePath, security);
    }
    Close();
  }
  Close();
  return false;
}

bool CHidDevice::OpenFoundInterface(LPCWSTR pszDevicePath, SECURITY_ATTRIBUTES& security) {
  Close();
  m_hDevice = CreateFileW(pszDevicePath, GENERIC_READ | GENERIC_WRITE, kShareReadWrite, &security, OPEN_EXISTING,
                          0, nullptr);
  if (m_hDevice == INVALID_HANDLE_VALUE) return false;

  PHIDP_PREPARSED_DATA pPreparsedData = nullptr;
  if (!HidD_GetPreparsedData(m_hDevice, &pPreparsedData)) {
    Close();
    return false;
  }
  HIDP_CAPS caps{};
  const NTSTATUS status = HidP_GetCaps(pPreparsedData, &caps);
  HidD_FreePreparsedData(pPreparsedData);
  if (status == HIDP_STATUS_INVALID_PREPARSED_DATA) {
    Close();
    return false;
  }
  m_nInputReportLength = caps.InputReportByteLength;
  m_nOutputReportLength = caps.OutputReportByteLength;
  m_nFeatureReportLength = caps.FeatureReportByteLength;
  return true;
}
