#include "recording_dialog.h"

#include <algorithm>

void CRecordingDialog::SetStatus(UINT nID) {
  m_statuses.push_back(nID);
  m_events.push_back("status " + std::to_string(nID));
}

void CRecordingDialog::EnableUpdateButton(BOOL bEnable) {
  m_bUpdateEnabled = bEnable != FALSE;
  m_events.push_back(m_bUpdateEnabled ? "update on" : "update off");
}

void CRecordingDialog::EnableCloseButton(BOOL bEnable) {
  m_bCloseEnabled = bEnable != FALSE;
  m_events.push_back(m_bCloseEnabled ? "close on" : "close off");
}

void CRecordingDialog::SetProgressRange(int nLower, int nUpper) {
  m_nRangeLower = nLower;
  m_nRangeUpper = nUpper;
  m_events.push_back("range " + std::to_string(nLower) + " " + std::to_string(nUpper));
}

void CRecordingDialog::SetProgressPos(int nPos) {
  m_nPosition = nPos;
  m_positions.push_back(nPos);
}

int CRecordingDialog::GetProgressPos() { return m_nPosition; }

void CRecordingDialog::StopProbeTimer() {
  m_bTimerRunning = false;
  m_events.push_back("timer stop");
}

void CRecordingDialog::StartProbeTimer() {
  m_bTimerRunning = true;
  m_events.push_back("timer start");
}

int CRecordingDialog::MessageBoxById(UINT nIDPrompt, UINT nType) {
  m_events.push_back("confirm " + std::to_string(nIDPrompt) + " " + std::to_string(nType));
  return m_nConfirmAnswer;
}

void CRecordingDialog::Pause(DWORD dwMilliseconds) {
  m_events.push_back("pause " + std::to_string(dwMilliseconds));
  Sleep(dwMilliseconds);
}

std::size_t CRecordingDialog::Count(const std::string& event) const {
  return static_cast<std::size_t>(std::count(m_events.begin(), m_events.end(), event));
}
