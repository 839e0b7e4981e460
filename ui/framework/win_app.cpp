#include "win_app.h"

#include "resources.h"

namespace {

CWinApp* g_pApp = nullptr;

// The longest application title that is kept.
constexpr std::size_t kMaxTitleLength = 255;

void RegisterForRestart() {
  // Not on every system the program may meet: looked up rather than imported,
  // so that its absence costs the registration and not the start.
  using RegisterApplicationRestartFunction = HRESULT(WINAPI*)(PCWSTR, DWORD);
  const HMODULE hKernel = ::GetModuleHandleW(L"kernel32.dll");
  if (hKernel == nullptr) {
    return;
  }
  const auto pfnRegister = reinterpret_cast<RegisterApplicationRestartFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(hKernel, "RegisterApplicationRestart")));
  if (pfnRegister != nullptr) {
    // The program takes no command line, so a restart is a plain start.
    pfnRegister(nullptr, 0);
  }
}

std::wstring ModulePath(HINSTANCE hInstance) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD nLength =
        ::GetModuleFileNameW(hInstance, path.data(), static_cast<DWORD>(path.size()));
    if (nLength == 0) {
      return {};
    }
    if (nLength < path.size()) {
      path.resize(nLength);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

CWinApp::CWinApp(LPCWSTR pszAppName) {
  if (pszAppName != nullptr) {
    m_strAppName = pszAppName;
  }
  g_pApp = this;
}

CWinApp::~CWinApp() {
  if (g_pApp == this) {
    g_pApp = nullptr;
  }
}

BOOL CWinApp::InitInstance() {
  if ((m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART) != 0) {
    RegisterForRestart();
  }
  return TRUE;
}

void CWinApp::SetRegistryKey(LPCWSTR) {}

void CWinApp::OnHelp() {}

void CWinApp::InitApplication(HINSTANCE hInstance) {
  m_hInstance = hInstance;
  AfxSetResourceHandle(hInstance);
  if (m_strAppName.empty()) {
    m_strAppName = AppTitle(LoadResourceString(AFX_IDS_APP_TITLE), ModulePath(hInstance));
  }
}

CWinApp* AfxGetApp() { return g_pApp; }

std::wstring AppTitle(std::wstring_view titleText, std::wstring_view modulePath) {
  if (!titleText.empty()) {
    return std::wstring(titleText.substr(0, kMaxTitleLength));
  }
  std::wstring_view fileName = modulePath;
  const std::size_t nSeparator = fileName.find_last_of(L"\\/");
  if (nSeparator != std::wstring_view::npos) {
    fileName.remove_prefix(nSeparator + 1);
  }
  const std::size_t nDot = fileName.rfind(L'.');
  if (nDot != std::wstring_view::npos) {
    fileName = fileName.substr(0, nDot);
  }
  return std::wstring(fileName);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT) {
  const CWinApp* pApp = AfxGetApp();
  const HWND hOwner =
      pApp != nullptr && pApp->m_pMainWnd != nullptr ? pApp->m_pMainWnd->m_hWnd : nullptr;
  const std::wstring text = LoadResourceString(nIDPrompt);
  return ::MessageBoxW(hOwner, text.c_str(), pApp != nullptr ? pApp->m_strAppName.c_str() : nullptr,
                       nType);
}
