// The HID class driver functions, taken from the system's hid.dll.
#include "check.h"
#include "platform_api.h"

void RunHidLoaderTests() {
  // The HID device interface class, {4D1E55B2-F16F-11CF-88CB-001111000030}:
  // a zero GUID here would mean hid.dll was not found in the system folder.
  static constexpr GUID kHidClass = {
      0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
  GUID guid{};
  HidD_GetHidGuid(&guid);
  Check(guid == kHidClass, "the HID class GUID from the system's hid.dll");

  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof(attributes);
  Check(!HidD_GetAttributes(INVALID_HANDLE_VALUE, &attributes), "no attributes without a device");
}
