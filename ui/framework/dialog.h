// CDialog: a modal dialog from a dialog template in the program's resources,
// its window messages dispatched to the object through its message map.
// CDialogEx: the base of the program's dialogs.
//
// Defaults that a dialog need not map: IDOK (the default button, Enter) runs
// OnOK, IDCANCEL (Escape, the close box, a close request) runs OnCancel, and
// a command that no map of the dialog binds goes to the application object's
// map, where the help command is bound.
#pragma once

#include "data_exchange.h"
#include "wnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override = default;

  const SMessageMap* GetMessageMap() const override;

  // Creates the dialog from its template, owned by the parent given at
  // construction or else by the application's main window, and runs it until
  // it ends. The result is what EndDialog was given, or -1 when the dialog
  // could not be created.
  INT_PTR DoModal();
  void EndDialog(int nResult);

  // Runs DoDataExchange in the direction given; FALSE when it failed.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  // Once the window and its controls exist, before the dialog is shown. The
  // base binds the controls (UpdateData(FALSE)). TRUE gives the focus to the
  // first tab stop.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  LRESULT DefaultProcedure(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT nMessage, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleInitDialog();
  HWND OwnerWindow() const;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  // Set by Default() while it hands the current message to DefDlgProcW,
  // which first offers it to DialogProc again: that offer is declined so
  // that the system's processing runs.
  bool m_bDefaultRequested = false;
};

class CDialogEx : public CDialog {
 public:
  using CDialog::CDialog;

 protected:
  // The dialog's own painting: the system's.
  void OnPaint() { Default(); }
};
