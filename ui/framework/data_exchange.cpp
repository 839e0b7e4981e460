#include "data_exchange.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  // Bound anew on every exchange, so that a wrapper never keeps the handle of
  // a control from an earlier run of the dialog.
  const HWND hControl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
  if (hControl == nullptr) {
    pDX->Fail();
    return;
  }
  rControl.m_hWnd = hControl;
}
