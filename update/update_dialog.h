// What the update procedure needs of the window that runs it: the status line,
// the two buttons, the progress bar, the probe timer, the confirmation box and
// the pauses. The Windows main dialog implements it with its controls; a test
// or console host implements it with a record of what was shown.
#pragma once

#include "platform_api.h"

class IUpdateDialog {
 public:
  // Shows the text of the ID in the status line and has it painted before
  // returning: the procedure holds the thread and processes no messages.
  virtual void SetStatus(UINT nID) = 0;
  virtual void EnableUpdateButton(BOOL bEnable) = 0;
  virtual void EnableCloseButton(BOOL bEnable) = 0;
  virtual void SetProgressRange(int nLower, int nUpper) = 0;
  virtual void SetProgressPos(int nPos) = 0;
  virtual int GetProgressPos() = 0;
  // Timer 1, the device probe: stop it, or start it with its 1000 ms period.
  virtual void StopProbeTimer() = 0;
  virtual void StartProbeTimer() = 0;
  // A modal message box with the text of the ID, captioned with the application
  // title; returns IDCANCEL for Cancel and another value for OK.
  virtual int MessageBoxById(UINT nIDPrompt, UINT nType) = 0;
  // Pauses the user-interface thread.
  virtual void Pause(DWORD dwMilliseconds) = 0;

 protected:
  ~IUpdateDialog() = default;
};
