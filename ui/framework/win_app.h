// CWinApp: the program's one application object. The program defines exactly
// one object of a class derived from it, statically; the framework's entry
// (wWinMain) finds it, prepares the process and calls its InitInstance.
#pragma once

#include <string>
#include <string_view>

#include "cmd_target.h"
#include "wnd.h"

// m_dwRestartManagerSupportFlags: have the system restart the program after
// it was ended by a crash, a hang or an update of the system.
inline constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;

// The string resource with the application title.
inline constexpr UINT AFX_IDS_APP_TITLE = 0xE000;
// The framework's standard help command.
inline constexpr UINT ID_HELP = 0xE146;

class CWinApp : public CCmdTarget {
 public:
  // A null name: the title comes from string AFX_IDS_APP_TITLE, or from the
  // executable's file name when that string is missing or empty.
  explicit CWinApp(LPCWSTR pszAppName = nullptr);
  ~CWinApp() override;

  // Once, after the entry has prepared the process. Registers the program for
  // restart when the flags ask for it. The program's override returns FALSE
  // when its work is done; the process then ends.
  virtual BOOL InitInstance();

  // The program keeps no settings, so there is nothing to key: the name is
  // accepted and nothing is read or written under it.
  void SetRegistryKey(LPCWSTR pszRegistryKey);

  // The standard help command: the program has no help content to open.
  void OnHelp();

  // Called by the entry: records the instance and sets the title.
  void InitApplication(HINSTANCE hInstance);

  HINSTANCE m_hInstance = nullptr;
  // The window that owns the framework's message boxes while it is open.
  CWnd* m_pMainWnd = nullptr;
  DWORD m_dwRestartManagerSupportFlags = 0;
  std::wstring m_strAppName;
};

CWinApp* AfxGetApp();

// The title: the loaded text, cut to 255 characters, or when it is empty the
// file name of the module path without its extension.
std::wstring AppTitle(std::wstring_view titleText, std::wstring_view modulePath);

// A message box with the text of the string resource, captioned with the
// application title and owned by the main window. nIDHelp names a help
// context; the program has no help, so it is not used.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = 0);
