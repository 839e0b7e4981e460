// Follows the main dialog from outside: its status line, its two buttons,
// whether it takes input, and the boxes its thread opens over it. Every change
// is written to the event log as it is seen, and the status line's history is
// kept for checking the order of the phases afterwards.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "event_log.h"

struct SDialogState {
  bool bExists = false;
  bool bEnabled = false;
  std::wstring status;
  bool bUpdateEnabled = false;
  bool bCloseEnabled = false;
  // The Cancel button exists only to give Escape its command; it must never
  // be seen.
  bool bCancelVisible = false;
  std::vector<HWND> boxes;
};

class CDialogObserver {
 public:
  explicit CDialogObserver(CEventLog& log);

  // Starts following the dialog and logs its whole state as first seen.
  void Attach(HWND hDialog);
  bool IsAttached() const;
  HWND Dialog() const;
  HWND Control(int nID) const;

  // Reads the dialog again and logs each difference; true if there was one.
  bool Poll();

  const SDialogState& State() const;
  // The IDs of the status texts in the order they were shown; 0 stands for a
  // text that is none of the program's.
  const std::vector<std::uint16_t>& StatusHistory() const;
  // Whether the hidden Cancel button was ever seen on screen.
  bool SawCancel() const;

 private:
  SDialogState Read() const;
  void LogDifferences(const SDialogState& before, const SDialogState& after, bool bEverything);

  CEventLog& m_log;
  HWND m_hDialog = nullptr;
  SDialogState m_state;
  std::vector<std::uint16_t> m_statusHistory;
  bool m_bSawCancel = false;
};
