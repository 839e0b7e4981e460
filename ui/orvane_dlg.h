// COrvaneDlg: the program's main and only window. It probes for the Zentor
// once a second, shows the state in its status line, and runs the firmware
// update when Update is clicked, inside the click handler.
#pragma once

#include "dialog.h"
#include "progress_ctrl.h"
#include "update_dialog.h"

class COrvaneDlg : public CDialogEx, public IUpdateDialog {
 public:
  explicit COrvaneDlg(CWnd* pParent = nullptr);
  ~COrvaneDlg() override;

  const SMessageMap* GetMessageMap() const override;

  // Shows the text of the string with the ID in the status line and has the
  // line painted before returning.
  void SetStatus(UINT nID) override;

  void EnableUpdateButton(BOOL bEnable) override;
  void EnableCloseButton(BOOL bEnable) override;
  void SetProgressRange(int nLower, int nUpper) override;
  void SetProgressPos(int nPos) override;
  int GetProgressPos() override;
  void StopProbeTimer() override;
  void StartProbeTimer() override;
  int MessageBoxById(UINT nIDPrompt, UINT nType) override;
  void Pause(DWORD dwMilliseconds) override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnUpdate();
  void OnTimer(UINT_PTR nIDEvent);

  HICON m_hIcon;
  CProgressCtrl m_progress;
};
