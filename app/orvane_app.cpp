#include "orvane_app.h"

#include <memory>

#include "app_services.h"
#include "message_map.h"
#include "orvane_dlg.h"

COrvaneApp theApp;

COrvaneApp::COrvaneApp() : CWinApp(nullptr) {
  m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

COrvaneApp::~COrvaneApp() = default;

const SMessageMap* COrvaneApp::GetMessageMap() const {
  static constexpr SMessageMapEntry kEntries[] = {
      CommandEntry<ID_HELP, &CWinApp::OnHelp>(),
  };
  static const SMessageMap map{CWinApp::GetMessageMap(), kEntries};
  return &map;
}

BOOL COrvaneApp::InitInstance() {
  // The progress bar's window class must exist before the main dialog's
  // template is turned into a window.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&controls);

  CWinApp::InitInstance();
  AfxEnableControlContainer(nullptr);
  auto pShellManager = std::make_unique<CShellManager>();
  SetRegistryKey(L"アプリケーション ウィザードで生成されたローカル アプリケーション");

  COrvaneDlg dialog;
  m_pMainWnd = &dialog;
  dialog.DoModal();

  pShellManager.reset();
  m_pMainWnd = nullptr;
  // The dialog has ended and the program with it: no message loop follows.
  return FALSE;
}
