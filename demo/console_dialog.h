// The update's dialog on a terminal: each status text on a line of its own,
// with the virtual time it appeared at, and the progress bar as a line that
// is redrawn when its percentage changes.
#pragma once

#include <cstdio>

#include "update_dialog.h"

class CConsoleDialog : public IUpdateDialog {
 public:
  void SetStatus(UINT nID) override;
  void EnableUpdateButton(BOOL bEnable) override { m_bUpdateEnabled = bEnable != FALSE; }
  void EnableCloseButton(BOOL bEnable) override { m_bCloseEnabled = bEnable != FALSE; }
  void SetProgressRange(int nLower, int nUpper) override;
  void SetProgressPos(int nPos) override;
  int GetProgressPos() override { return m_nPosition; }
  void StopProbeTimer() override {}
  void StartProbeTimer() override {}
  int MessageBoxById(UINT nIDPrompt, UINT nType) override;
  void Pause(DWORD dwMilliseconds) override { Sleep(dwMilliseconds); }

  UINT LastStatus() const { return m_nLastStatus; }
  bool UpdateEnabled() const { return m_bUpdateEnabled; }
  bool CloseEnabled() const { return m_bCloseEnabled; }
  int Position() const { return m_nPosition; }

 private:
  void EndProgressLine();

  UINT m_nLastStatus = 0;
  bool m_bUpdateEnabled = true;
  bool m_bCloseEnabled = true;
  int m_nLower = 0;
  int m_nUpper = 100;
  int m_nPosition = 0;
  int m_nShownPercent = -1;
  bool m_bProgressLineOpen = false;
};
