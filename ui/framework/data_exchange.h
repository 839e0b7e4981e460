// Data exchange between a dialog's controls and the fields of its object:
// CDialog::UpdateData runs the dialog's DoDataExchange with a CDataExchange
// that says the direction.
#pragma once

#include "wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

  // Marks the exchange as failed; UpdateData then returns FALSE.
  void Fail() { m_bFailed = true; }

  // TRUE: from the controls into the fields; FALSE: from the fields into the
  // controls (while the dialog is initialised).
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  bool m_bFailed = false;
};

// Binds the control wrapper to the dialog's control with the ID, in either
// direction. A dialog without that control fails the exchange.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
