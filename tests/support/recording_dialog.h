// A dialog for the update procedure that records what the user would have
// seen: the status line, the two buttons, the probe timer, the progress bar,
// the confirmation box and the pauses. Pauses advance the virtual clock.
#pragma once

#include <string>
#include <vector>

#include "update_dialog.h"

class CRecordingDialog : public IUpdateDialog {
 public:
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

  // The answer the confirmation box gives.
  int m_nConfirmAnswer = IDOK;

  std::vector<UINT> m_statuses;
  // Every call in order, e.g. "status 104", "pause 1000", "update off",
  // "close on", "timer stop", "confirm 120 33", "range 0 16384". Progress
  // positions are kept apart, in m_positions.
  std::vector<std::string> m_events;
  std::vector<int> m_positions;
  bool m_bUpdateEnabled = true;
  bool m_bCloseEnabled = true;
  bool m_bTimerRunning = true;
  int m_nRangeLower = 0;
  int m_nRangeUpper = 100;
  int m_nPosition = 0;

  UINT LastStatus() const { return m_statuses.empty() ? 0 : m_statuses.back(); }
  std::size_t Count(const std::string& event) const;
};
