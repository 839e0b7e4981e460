// Real modal dialogs from the program's templates: the framework's dispatch,
// defaults and placement, and the main dialog's own operations.
#include <cstdlib>
#include <string>

#include "about_dlg.h"
#include "check.h"
#include "message_map.h"
#include "orvane_dlg.h"
#include "resource.h"
#include "resources.h"
#include "status_messages.h"
#include "win_app.h"

namespace {

// Commands the tests post to their own dialogs.
constexpr UINT kRunChecks = 0x7001;
constexpr UINT kOpenInner = 0x7002;

class CTestApp : public CWinApp {
 public:
  const SMessageMap* GetMessageMap() const override {
    static constexpr SMessageMapEntry kEntries[] = {
        CommandEntry<ID_HELP, &CTestApp::OnTestHelp>(),
    };
    static const SMessageMap map{CWinApp::GetMessageMap(), kEntries};
    return &map;
  }
  void OnTestHelp() { ++m_nHelpCommands; }

  int m_nHelpCommands = 0;
};

CTestApp theTestApp;

std::wstring WindowText(HWND hWnd) {
  wchar_t text[512] = {};
  ::GetWindowTextW(hWnd, text, 512);
  return text;
}

void PostCommand(HWND hWnd, UINT nID) { ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(nID, 0), 0); }

// A dialog on the About box's template whose timer handler passes its
// message on to the system, sends a command that only the application binds,
// and then asks to be closed.
class CTimerDlg : public CDialogEx {
 public:
  CTimerDlg() : CDialogEx(IDD_ABOUT) {}

  const SMessageMap* GetMessageMap() const override {
    static constexpr SMessageMapEntry kEntries[] = {
        TimerEntry<&CTimerDlg::OnTimer>(),
    };
    static const SMessageMap map{CDialogEx::GetMessageMap(), kEntries};
    return &map;
  }

  BOOL OnInitDialog() override {
    CDialogEx::OnInitDialog();
    SetTimer(1, 10, nullptr);
    return TRUE;
  }

  void OnTimer(UINT_PTR) {
    ++m_nTimers;
    KillTimer(1);
    Default();
    SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, 0), 0);
    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
  }

  int m_nTimers = 0;
};

// Posts IDOK, then a close request, from OnInitDialog. With a control that
// the template lacks bound by DDX_Control, OnOK's UpdateData fails and only
// the close request ends the dialog.
class CClosingDlg : public CDialogEx {
 public:
  explicit CClosingDlg(bool bBindsMissingControl)
      : CDialogEx(IDD_ABOUT), m_bBindsMissingControl(bBindsMissingControl) {}

  void DoDataExchange(CDataExchange* pDX) override {
    if (m_bBindsMissingControl) {
      DDX_Control(pDX, IDC_PROGRESS, m_progress);
    }
  }

  BOOL OnInitDialog() override {
    CDialogEx::OnInitDialog();
    PostCommand(m_hWnd, IDOK);
    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    return TRUE;
  }

  bool m_bBindsMissingControl;
  CProgressCtrl m_progress;
};

// The application's main window in the placement test: it opens an inner
// dialog, which has no parent of its own, and records where that one went.
class COuterDlg : public CDialogEx {
 public:
  COuterDlg() : CDialogEx(IDD_ABOUT) {}

  const SMessageMap* GetMessageMap() const override {
    static constexpr SMessageMapEntry kEntries[] = {
        CommandEntry<kOpenInner, &COuterDlg::OnOpenInner>(),
    };
    static const SMessageMap map{CDialogEx::GetMessageMap(), kEntries};
    return &map;
  }

  BOOL OnInitDialog() override {
    CDialogEx::OnInitDialog();
    // Off the centre of the screen, so that being centred over it differs
    // from being centred on the screen.
    ::SetWindowPos(m_hWnd, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // The template has no WS_VISIBLE: the dialog manager would show the
    // window only once the queue runs dry, after the inner dialog is opened.
    ::ShowWindow(m_hWnd, SW_SHOW);
    PostCommand(m_hWnd, kOpenInner);
    return TRUE;
  }

  void OnOpenInner();

  HWND m_hInnerOwner = nullptr;
  bool m_bOuterDisabled = false;
  RECT m_outerRect{};
  RECT m_innerRect{};
  INT_PTR m_nInnerResult = 0;
};

class CInnerDlg : public CDialogEx {
 public:
  explicit CInnerDlg(COuterDlg& outer) : CDialogEx(IDD_ABOUT), m_outer(outer) {}

  const SMessageMap* GetMessageMap() const override {
    static constexpr SMessageMapEntry kEntries[] = {
        CommandEntry<kRunChecks, &CInnerDlg::OnRunChecks>(),
    };
    static const SMessageMap map{CDialogEx::GetMessageMap(), kEntries};
    return &map;
  }

  BOOL OnInitDialog() override {
    CDialogEx::OnInitDialog();
    PostCommand(m_hWnd, kRunChecks);
    return TRUE;
  }

  // Once the dialog is shown and placed.
  void OnRunChecks() {
    m_outer.m_hInnerOwner = ::GetWindow(m_hWnd, GW_OWNER);
    m_outer.m_bOuterDisabled = !::IsWindowEnabled(m_outer.m_hWnd);
    ::GetWindowRect(m_outer.m_hWnd, &m_outer.m_outerRect);
    ::GetWindowRect(m_hWnd, &m_outer.m_innerRect);
    EndDialog(IDOK);
  }

  COuterDlg& m_outer;
};

void COuterDlg::OnOpenInner() {
  CInnerDlg inner(*this);
  m_nInnerResult = inner.DoModal();
  EndDialog(IDOK);
}

void CheckFrameworkDialogs() {
  CTimerDlg timerDialog;
  Check(timerDialog.DoModal() == IDCANCEL, "a close request ends the dialog with IDCANCEL");
  Check(timerDialog.m_nTimers == 1, "timer handler ran once, Default() returned");
  Check(theTestApp.m_nHelpCommands == 1, "an unbound command reaches the application's map");
  Check(timerDialog.m_hWnd == nullptr, "the window is forgotten once it is destroyed");

  CClosingDlg okDialog(false);
  Check(okDialog.DoModal() == IDOK, "IDOK ends the dialog with IDOK");
  CClosingDlg failingDialog(true);
  Check(failingDialog.DoModal() == IDCANCEL, "a failed exchange keeps OnOK from ending the dialog");

  CDialogEx missingTemplate(4321);
  Check(missingTemplate.DoModal() == -1, "a missing template gives -1");

  COuterDlg outer;
  theTestApp.m_pMainWnd = &outer;
  Check(outer.DoModal() == IDOK && outer.m_nInnerResult == IDOK, "nested dialogs end");
  theTestApp.m_pMainWnd = nullptr;
  Check(outer.m_hInnerOwner != nullptr && outer.m_bOuterDisabled,
        "the main window owns a dialog without a parent and is disabled under it");
  const LONG nOuterCentreX = (outer.m_outerRect.left + outer.m_outerRect.right) / 2;
  const LONG nInnerCentreX = (outer.m_innerRect.left + outer.m_innerRect.right) / 2;
  const LONG nOuterCentreY = (outer.m_outerRect.top + outer.m_outerRect.bottom) / 2;
  const LONG nInnerCentreY = (outer.m_innerRect.top + outer.m_innerRect.bottom) / 2;
  Check(std::labs(nOuterCentreX - nInnerCentreX) <= 1 && std::labs(nOuterCentreY - nInnerCentreY) <= 1,
        "the inner dialog is centred over its owner");
}

// Counts the paintings of a progress bar that the dialog asks for. Wine's
// progress bar paints itself inside every PBM_SETPOS; Windows' only marks
// the bar for painting, which is what the dialog has to make up for while
// the update holds the thread. The counter has the bar behave as on
// Windows: a painting asked for from inside PBM_SETPOS is left for later.
class CBarPaintCounter {
 public:
  explicit CBarPaintCounter(HWND hWnd) : m_hWnd(hWnd) {
    s_pCounter = this;
    m_pfnOriginal = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  }
  ~CBarPaintCounter() {
    ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOriginal));
    s_pCounter = nullptr;
  }
  CBarPaintCounter(const CBarPaintCounter&) = delete;
  CBarPaintCounter& operator=(const CBarPaintCounter&) = delete;

  int m_nPaints = 0;

 private:
  static LRESULT CALLBACK CountingProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    CBarPaintCounter& counter = *s_pCounter;
    if (nMessage == PBM_SETPOS) {
      counter.m_bInSetPos = true;
      const LRESULT lResult = ::CallWindowProcW(counter.m_pfnOriginal, hWnd, nMessage, wParam, lParam);
      counter.m_bInSetPos = false;
      return lResult;
    }
    if (nMessage == WM_PAINT) {
      if (counter.m_bInSetPos) {
        return 0;
      }
      ++counter.m_nPaints;
    }
    return ::CallWindowProcW(counter.m_pfnOriginal, hWnd, nMessage, wParam, lParam);
  }

  static inline CBarPaintCounter* s_pCounter = nullptr;
  HWND m_hWnd;
  WNDPROC m_pfnOriginal = nullptr;
  bool m_bInSetPos = false;
};

// The main dialog, checked from inside once it is up.
class CCheckedOrvaneDlg : public COrvaneDlg {
 public:
  const SMessageMap* GetMessageMap() const override {
    static constexpr SMessageMapEntry kEntries[] = {
        CommandEntry<kRunChecks, &CCheckedOrvaneDlg::OnRunChecks>(),
    };
    static const SMessageMap map{COrvaneDlg::GetMessageMap(), kEntries};
    return &map;
  }

  BOOL OnInitDialog() override {
    const BOOL bResult = COrvaneDlg::OnInitDialog();
    PostCommand(m_hWnd, kRunChecks);
    return bResult;
  }

  void OnRunChecks();
  void CheckStartState();
  void CheckOperations();
  void CheckProgressPainting();
  void CheckAboutBox();

  HWND Item(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
};

void CCheckedOrvaneDlg::CheckStartState() {
  Check(WindowText(Item(IDC_STATUS)) == LoadResourceString(IDS_CONNECT_DEVICE),
        "the status line starts with the connect message, not the template's text");
  Check(!::IsWindowEnabled(Item(IDC_UPDATE)) && ::IsWindowEnabled(Item(IDOK)),
        "Update disabled, Close enabled");
  Check(::GetFocus() == Item(IDOK), "Close has the focus");
  Check(reinterpret_cast<HICON>(SendMessage(WM_GETICON, ICON_BIG, 0)) == m_hIcon &&
            reinterpret_cast<HICON>(SendMessage(WM_GETICON, ICON_SMALL, 0)) == m_hIcon &&
            m_hIcon != nullptr,
        "the program icon is the window's big and small icon");
  Check(reinterpret_cast<HICON>(SendMessage(WM_QUERYDRAGICON)) == m_hIcon, "drag icon");
  Check(m_progress.m_hWnd == Item(IDC_PROGRESS), "the progress bar is bound");

  // Where the platform gives the window a window menu, the About entry ends
  // it, after a separator.
  if (const HMENU hMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
    const int nItems = ::GetMenuItemCount(hMenu);
    wchar_t text[128] = {};
    ::GetMenuStringW(hMenu, IDM_ABOUT, text, 128, MF_BYCOMMAND);
    Check(nItems >= 2 && ::GetMenuItemID(hMenu, nItems - 1) == IDM_ABOUT &&
              (::GetMenuState(hMenu, nItems - 2, MF_BYPOSITION) & MF_SEPARATOR) != 0 &&
              text == LoadResourceString(IDS_ABOUT_MENU),
          "About entry after a separator at the end of the window menu");
  }
}

void CCheckedOrvaneDlg::CheckOperations() {
  struct SStatusCase {
    UINT nID;
    const wchar_t* pszExpected;  // null: the string table's text
  };
  static constexpr SStatusCase kStatusCases[] = {
      {IDS_READY, nullptr},
      {IDS_WRITE_ERROR, nullptr},
      // No text: the line is emptied, not left as it was.
      {108, L""},
      {IDS_INITIALIZING, nullptr},
  };
  for (const SStatusCase& statusCase : kStatusCases) {
    SetStatus(statusCase.nID);
    const std::wstring expected = statusCase.pszExpected != nullptr
                                      ? std::wstring(statusCase.pszExpected)
                                      : LoadResourceString(statusCase.nID);
    Check(WindowText(Item(IDC_STATUS)) == expected, "SetStatus shows the ID's text");
  }

  EnableUpdateButton(TRUE);
  EnableCloseButton(FALSE);
  Check(::IsWindowEnabled(Item(IDC_UPDATE)) && !::IsWindowEnabled(Item(IDOK)),
        "Update enabled, Close disabled");
  EnableUpdateButton(FALSE);
  EnableCloseButton(TRUE);
  Check(!::IsWindowEnabled(Item(IDC_UPDATE)) && ::IsWindowEnabled(Item(IDOK)),
        "Update disabled, Close enabled");

  const DWORD dwStart = ::GetTickCount();
  Pause(300);
  const DWORD dwElapsed = ::GetTickCount() - dwStart;
  Check(dwElapsed >= 300 && dwElapsed < 1000, "Pause lasts its time");
}

void CCheckedOrvaneDlg::CheckProgressPainting() {
  RECT bar{};
  ::GetClientRect(Item(IDC_PROGRESS), &bar);
  const int nWidth = bar.right - bar.left;
  CBarPaintCounter counter(Item(IDC_PROGRESS));

  // The positions of a whole update: programming, verification, the end.
  SetProgressRange(0, 0x4000);
  SetProgressPos(0);
  for (int nPage = 0; nPage < 8192; ++nPage) {
    SetProgressPos(nPage);
  }
  const int nBase = GetProgressPos();
  for (int nPage = 0; nPage < 8192; ++nPage) {
    SetProgressPos(nBase + nPage);
  }
  SetProgressPos(0x4000);

  Check(nBase == 8191 && GetProgressPos() == 0x4000, "progress positions");
  Check(nWidth > 100, "the bar has a width");
  // Painted as it moves, once for each pixel that its filled part grows by
  // (and once for the new range): not once per position, not only at the end.
  Check(counter.m_nPaints >= nWidth - 1 && counter.m_nPaints <= nWidth + 2,
        "the bar is painted once per pixel it moves");
}

// Finds the About box once it is open, checks its owner and closes it.
HWND g_hAboutOwner = nullptr;
HWND g_hMainDialog = nullptr;

void CALLBACK CloseAboutBox(HWND, UINT, UINT_PTR nIDEvent, DWORD) {
  ::KillTimer(nullptr, nIDEvent);
  const HWND hAbout = ::GetLastActivePopup(g_hMainDialog);
  if (hAbout != g_hMainDialog) {
    g_hAboutOwner = ::GetWindow(hAbout, GW_OWNER);
    ::PostMessageW(hAbout, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  }
}

void CCheckedOrvaneDlg::CheckAboutBox() {
  g_hMainDialog = m_hWnd;
  ::SetTimer(nullptr, 0, 300, &CloseAboutBox);
  SendMessage(WM_SYSCOMMAND, IDM_ABOUT, 0);
  Check(g_hAboutOwner == m_hWnd, "the About entry opens the About box, owned by the main dialog");
}

void CCheckedOrvaneDlg::OnRunChecks() {
  CheckStartState();
  CheckOperations();
  CheckProgressPainting();
  CheckAboutBox();
  EndDialog(IDOK);
}

void CheckMainDialog() {
  CCheckedOrvaneDlg dialog;
  theTestApp.m_pMainWnd = &dialog;
  Check(dialog.DoModal() == IDOK, "the main dialog runs");
  theTestApp.m_pMainWnd = nullptr;
}

}  // namespace

void RunDialogTests() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  theTestApp.InitApplication(::GetModuleHandleW(nullptr));
  Check(theTestApp.m_strAppName == LoadResourceString(IDS_APP_TITLE), "title from the string table");

  CheckFrameworkDialogs();
  CheckMainDialog();
}
