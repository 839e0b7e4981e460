#include "dialog.h"

#include "message_map.h"
#include "resources.h"
#include "win_app.h"
#include "window_placement.h"

namespace {

// Messages whose result a dialog procedure returns itself instead of leaving
// it in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT nMessage) {
  switch (nMessage) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
      return true;
    default:
      return false;
  }
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

const SMessageMap* CDialog::GetMessageMap() const {
  static constexpr SMessageMapEntry kEntries[] = {
      CommandEntry<IDOK, &CDialog::OnOK>(),
      CommandEntry<IDCANCEL, &CDialog::OnCancel>(),
  };
  static const SMessageMap map{CWnd::GetMessageMap(), kEntries};
  return &map;
}

INT_PTR CDialog::DoModal() {
  return ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), OwnerWindow(),
                           &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange exchange(this, bSaveAndValidate);
  DoDataExchange(&exchange);
  return exchange.m_bFailed ? FALSE : TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) {
    return;
  }
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::DefaultProcedure(UINT nMessage, WPARAM wParam, LPARAM lParam) {
  m_bDefaultRequested = true;
  const LRESULT lResult = ::DefDlgProcW(m_hWnd, nMessage, wParam, lParam);
  // Normally taken back by the offer itself; cleared here too, so that it can
  // never decline a later message.
  m_bDefaultRequested = false;
  return lResult;
}

HWND CDialog::OwnerWindow() const {
  if (m_pParentWnd != nullptr) {
    return m_pParentWnd->m_hWnd;
  }
  const CWinApp* pApp = AfxGetApp();
  if (pApp == nullptr || pApp->m_pMainWnd == nullptr || pApp->m_pMainWnd == this) {
    return nullptr;
  }
  return pApp->m_pMainWnd->m_hWnd;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
  if (nMessage == WM_INITDIALOG) {
    auto* pDialog = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    pDialog->m_hWnd = hWnd;
    return pDialog->HandleInitDialog();
  }
  // Messages that come before WM_INITDIALOG (WM_SETFONT and the like) find
  // no object yet and get the system's processing.
  auto* pDialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  return pDialog != nullptr ? pDialog->HandleMessage(nMessage, wParam, lParam) : FALSE;
}

INT_PTR CDialog::HandleInitDialog() {
  RECT before{};
  ::GetWindowRect(m_hWnd, &before);
  const BOOL bSetFocus = OnInitDialog();
  // A dialog that neither its template nor OnInitDialog has placed is
  // centred before it is first shown.
  RECT after{};
  ::GetWindowRect(m_hWnd, &after);
  const auto nStyle = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
  if ((nStyle & (DS_CENTER | DS_CENTERMOUSE | WS_CHILD)) == 0 && before.left == after.left &&
      before.top == after.top) {
    CentreDialog(m_hWnd, ::GetWindow(m_hWnd, GW_OWNER));
  }
  return bSetFocus;
}

INT_PTR CDialog::HandleMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
  if (m_bDefaultRequested) {
    m_bDefaultRequested = false;
    return FALSE;
  }
  if (nMessage == WM_NCDESTROY) {
    m_hWnd = nullptr;
    return FALSE;
  }
  // Handlers may send messages to their own window, so the message being
  // handled is kept around each handler and restored after it.
  const SCurrentMessage outerMessage = m_currentMessage;
  m_currentMessage = {nMessage, wParam, lParam};
  LRESULT lResult = 0;
  bool bHandled = OnWndMsg(nMessage, wParam, lParam, lResult);
  if (!bHandled && nMessage == WM_COMMAND && AfxGetApp() != nullptr) {
    bHandled = AfxGetApp()->OnWndMsg(nMessage, wParam, lParam, lResult);
  }
  m_currentMessage = outerMessage;
  if (!bHandled) {
    return FALSE;
  }
  if (ReturnsResultDirectly(nMessage)) {
    return static_cast<INT_PTR>(lResult);
  }
  if (m_hWnd != nullptr) {
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, lResult);
  }
  return TRUE;
}
