// CAboutDlg: the About box, opened from the main dialog's window menu. It
// has no behaviour of its own: OK and Escape end it through the framework.
#pragma once

#include "dialog.h"

class CAboutDlg : public CDialogEx {
 public:
  CAboutDlg();
  ~CAboutDlg() override;

  const SMessageMap* GetMessageMap() const override;
};
