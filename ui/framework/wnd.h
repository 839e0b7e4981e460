// CWnd: a window of the program, by its handle. It owns nothing: a dialog's
// window belongs to the system's dialog manager, which destroys it with its
// controls when the dialog ends.
#pragma once

#include "cmd_target.h"

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}

  // The control with the ID in this dialog; its handle is null when there is
  // no such control.
  CWnd GetDlgItem(int nID) const;

  BOOL EnableWindow(BOOL bEnable = TRUE);
  void SetWindowText(LPCWSTR pszText);
  BOOL RedrawWindow(const RECT* pUpdateRect, HRGN hUpdateRegion, UINT nFlags);
  void UpdateWindow();
  BOOL IsIconic() const;
  void GetClientRect(RECT* pRect) const;
  LRESULT SendMessage(UINT nMessage, WPARAM wParam = 0, LPARAM lParam = 0);
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC pfnTimerProc);
  BOOL KillTimer(UINT_PTR nIDEvent);
  HMENU GetSystemMenu(BOOL bRevert) const;

  // The system's own processing of the message being handled, done now; for
  // a handler that adds to what the system does rather than replacing it.
  LRESULT Default();

  HWND m_hWnd = nullptr;

 protected:
  struct SCurrentMessage {
    UINT nMessage = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  };

  // The system's processing of a message for this kind of window.
  virtual LRESULT DefaultProcedure(UINT nMessage, WPARAM wParam, LPARAM lParam);

  // The message that a handler of this window is running for; the window's
  // message procedure sets it around each handler.
  SCurrentMessage m_currentMessage;
};
