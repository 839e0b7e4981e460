#include "orvane_dlg.h"

#include <algorithm>
#include <memory>

#include "about_dlg.h"
#include "dialog_geometry.h"
#include "hid_device.h"
#include "message_map.h"
#include "paint_dc.h"
#include "resource.h"
#include "resources.h"
#include "status_messages.h"
#include "update_procedure.h"
#include "win_app.h"

namespace {

// Timer 1 runs the device probe.
constexpr UINT_PTR kProbeTimer = 1;
constexpr UINT kProbePeriod = 1000;

// While the update pauses, the window is painted again this often.
constexpr DWORD kPauseSlice = 50;

}  // namespace

COrvaneDlg::COrvaneDlg(CWnd* pParent)
    : CDialogEx(IDD_MAIN, pParent),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_MAIN))) {}

COrvaneDlg::~COrvaneDlg() = default;

const SMessageMap* COrvaneDlg::GetMessageMap() const {
  static constexpr SMessageMapEntry kEntries[] = {
      SysCommandEntry<&COrvaneDlg::OnSysCommand>(),
      PaintEntry<&COrvaneDlg::OnPaint>(),
      QueryDragIconEntry<&COrvaneDlg::OnQueryDragIcon>(),
      ClickedEntry<IDC_UPDATE, &COrvaneDlg::OnUpdate>(),
      TimerEntry<&COrvaneDlg::OnTimer>(),
  };
  static const SMessageMap map{CDialogEx::GetMessageMap(), kEntries};
  return &map;
}

void COrvaneDlg::DoDataExchange(CDataExchange* pDX) {
  CDialogEx::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL COrvaneDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();

  if (const HMENU hSystemMenu = GetSystemMenu(FALSE)) {
    const std::wstring aboutText = LoadResourceString(IDS_ABOUT_MENU);
    if (!aboutText.empty()) {
      ::AppendMenuW(hSystemMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(hSystemMenu, MF_STRING, IDM_ABOUT, aboutText.c_str());
    }
  }

  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  GetDlgItem(IDC_UPDATE).EnableWindow(FALSE);
  SetStatus(IDS_CONNECT_DEVICE);
  SetTimer(kProbeTimer, kProbePeriod, nullptr);
  return TRUE;
}

void COrvaneDlg::SetStatus(UINT nID) {
  CWnd status = GetDlgItem(IDC_STATUS);
  status.SetWindowText(LoadResourceString(nID).c_str());
  // The update holds the thread and reads no messages, so a new text would
  // otherwise only be painted once the update is over.
  status.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
}

void COrvaneDlg::OnTimer(UINT_PTR) {
  // A fresh record for every probe: nothing of the device is kept between
  // probes, and none is left open for the update to collide with.
  auto pDevice = std::make_unique<CHidDevice>();
  if (pDevice->Open()) {
    pDevice->Close();
    SetStatus(IDS_READY);
    GetDlgItem(IDC_UPDATE).EnableWindow(TRUE);
  }
  pDevice.reset();
  Default();
}

void COrvaneDlg::OnSysCommand(UINT nID, LPARAM) {
  if ((nID & 0xFFF0) == IDM_ABOUT) {
    CAboutDlg about;
    about.DoModal();
    return;
  }
  Default();
}

void COrvaneDlg::OnPaint() {
  if (!IsIconic()) {
    CDialogEx::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  const int cxIcon = ::GetSystemMetrics(SM_CXICON);
  const int cyIcon = ::GetSystemMetrics(SM_CYICON);
  RECT rect{};
  GetClientRect(&rect);
  dc.DrawIcon(MinimisedIconOffset(rect.right - rect.left, cxIcon),
              MinimisedIconOffset(rect.bottom - rect.top, cyIcon), m_hIcon);
}

HCURSOR COrvaneDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void COrvaneDlg::OnUpdate() {
  RunUpdate(*this);
  // Clicks and keys given to the window while the update held the thread are
  // still queued; played now, a click on the Close button that has just been
  // enabled again would end the program before the result could be read.
  MSG message;
  while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  while (::PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
}

void COrvaneDlg::EnableUpdateButton(BOOL bEnable) { GetDlgItem(IDC_UPDATE).EnableWindow(bEnable); }

void COrvaneDlg::EnableCloseButton(BOOL bEnable) { GetDlgItem(IDOK).EnableWindow(bEnable); }

void COrvaneDlg::SetProgressRange(int nLower, int nUpper) {
  m_progress.SetRange32(nLower, nUpper);
  m_progress.UpdateWindow();
}

void COrvaneDlg::SetProgressPos(int nPos) {
  const int nPreviousPos = m_progress.SetPos(nPos);
  // The update reads no messages, so the bar is painted here; but only when
  // the new position moves its filled part by a pixel, which over the 16,384
  // positions of an update is a few hundred times at most.
  int nLower = 0;
  int nUpper = 0;
  m_progress.GetRange(nLower, nUpper);
  RECT rect{};
  m_progress.GetClientRect(&rect);
  const int nWidth = rect.right - rect.left;
  if (ProgressFillWidth(nPreviousPos, nLower, nUpper, nWidth) !=
      ProgressFillWidth(nPos, nLower, nUpper, nWidth)) {
    m_progress.UpdateWindow();
  }
}

int COrvaneDlg::GetProgressPos() { return m_progress.GetPos(); }

void COrvaneDlg::StopProbeTimer() { KillTimer(kProbeTimer); }

void COrvaneDlg::StartProbeTimer() { SetTimer(kProbeTimer, kProbePeriod, nullptr); }

int COrvaneDlg::MessageBoxById(UINT nIDPrompt, UINT nType) {
  return AfxMessageBox(nIDPrompt, nType, 0);
}

void COrvaneDlg::Pause(DWORD dwMilliseconds) {
  // Sleeps in short slices and in between paints whatever of the window
  // needs it (uncovered by another window, say), so that the window does not
  // stay blank for the ten seconds before the blank check. Only painting is
  // done: no input is read, and the update cannot be interrupted.
  const DWORD dwStart = ::GetTickCount();
  for (;;) {
    RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const DWORD dwElapsed = ::GetTickCount() - dwStart;
    if (dwElapsed >= dwMilliseconds) {
      return;
    }
    ::Sleep(std::min(dwMilliseconds - dwElapsed, kPauseSlice));
  }
}
