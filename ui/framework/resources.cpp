#include "resources.h"

namespace {

HINSTANCE g_hResourceInstance = nullptr;

}  // namespace

HINSTANCE AfxGetResourceHandle() {
  return g_hResourceInstance != nullptr ? g_hResourceInstance : ::GetModuleHandleW(nullptr);
}

void AfxSetResourceHandle(HINSTANCE hInstance) { g_hResourceInstance = hInstance; }

std::wstring LoadResourceString(UINT nID) {
  // With a buffer size of 0, LoadStringW hands out a pointer to the text in
  // the resource itself and its length: no fixed buffer to cut a long text
  // short, and a text that is not zero-terminated there is still read
  // exactly.
  const wchar_t* pText = nullptr;
  const int nLength = ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&pText), 0);
  if (nLength <= 0 || pText == nullptr) {
    return {};
  }
  return std::wstring(pText, static_cast<std::size_t>(nLength));
}
