#include "wnd.h"

CWnd CWnd::GetDlgItem(int nID) const { return CWnd(::GetDlgItem(m_hWnd, nID)); }

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }

void CWnd::SetWindowText(LPCWSTR pszText) { ::SetWindowTextW(m_hWnd, pszText); }

BOOL CWnd::RedrawWindow(const RECT* pUpdateRect, HRGN hUpdateRegion, UINT nFlags) {
  return ::RedrawWindow(m_hWnd, pUpdateRect, hUpdateRegion, nFlags);
}

void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(RECT* pRect) const { ::GetClientRect(m_hWnd, pRect); }

LRESULT CWnd::SendMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, nMessage, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC pfnTimerProc) {
  return ::SetTimer(m_hWnd, nIDEvent, nElapse, pfnTimerProc);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

HMENU CWnd::GetSystemMenu(BOOL bRevert) const { return ::GetSystemMenu(m_hWnd, bRevert); }

LRESULT CWnd::Default() {
  return DefaultProcedure(m_currentMessage.nMessage, m_currentMessage.wParam,
                          m_currentMessage.lParam);
}

LRESULT CWnd::DefaultProcedure(UINT nMessage, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, nMessage, wParam, lParam);
}
