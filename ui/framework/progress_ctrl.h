// CProgressCtrl: a progress bar control ("msctls_progress32") of a dialog,
// bound by DDX_Control.
#pragma once

#include "wnd.h"

class CProgressCtrl : public CWnd {
 public:
  void SetRange32(int nLower, int nUpper);
  void GetRange(int& nLower, int& nUpper);
  // Returns the position the bar had before.
  int SetPos(int nPos);
  int GetPos();
};
