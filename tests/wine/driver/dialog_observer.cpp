#include "dialog_observer.h"

#include <algorithm>
#include <cstdio>

#include "program_texts.h"
#include "resource.h"
#include "target_window.h"

namespace {

std::string Handle(HWND hWindow) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWindow)));
  return text;
}

const char* Enabled(bool bEnabled) { return bEnabled ? "enabled" : "disabled"; }

bool Contains(const std::vector<HWND>& windows, HWND hWindow) {
  return std::find(windows.begin(), windows.end(), hWindow) != windows.end();
}

}  // namespace

CDialogObserver::CDialogObserver(CEventLog& log) : m_log(log) {}

void CDialogObserver::Attach(HWND hDialog) {
  m_hDialog = hDialog;
  m_log.Write("dialog " + Handle(hDialog) + " " + Quoted(Utf8FromWide(WindowText(hDialog))));
  LogDifferences(SDialogState{}, Read(), true);
}

bool CDialogObserver::IsAttached() const { return m_hDialog != nullptr; }

HWND CDialogObserver::Dialog() const { return m_hDialog; }

HWND CDialogObserver::Control(int nID) const { return GetDlgItem(m_hDialog, nID); }

bool CDialogObserver::Poll() {
  if (m_hDialog == nullptr) return false;
  const SDialogState before = m_state;
  LogDifferences(before, Read(), false);
  const SDialogState& after = m_state;
  return before.bExists != after.bExists || before.bEnabled != after.bEnabled || before.status != after.status ||
         before.bUpdateEnabled != after.bUpdateEnabled || before.bCloseEnabled != after.bCloseEnabled ||
         before.bCancelVisible != after.bCancelVisible || before.boxes != after.boxes;
}

const SDialogState& CDialogObserver::State() const { return m_state; }

const std::vector<std::uint16_t>& CDialogObserver::StatusHistory() const { return m_statusHistory; }

bool CDialogObserver::SawCancel() const { return m_bSawCancel; }

SDialogState CDialogObserver::Read() const {
  SDialogState state;
  state.bExists = IsWindow(m_hDialog) != FALSE;
  if (!state.bExists) return state;
  state.bEnabled = IsWindowEnabled(m_hDialog) != FALSE;
  state.status = WindowText(Control(IDC_STATUS));
  state.bUpdateEnabled = IsWindowEnabled(Control(IDC_UPDATE)) != FALSE;
  state.bCloseEnabled = IsWindowEnabled(Control(IDOK)) != FALSE;
  state.bCancelVisible = IsWindowVisible(Control(IDCANCEL)) != FALSE;
  state.boxes = OtherDialogsOfThread(m_hDialog);
  return state;
}

void CDialogObserver::LogDifferences(const SDialogState& before, const SDialogState& after, bool bEverything) {
  m_state = after;
  m_bSawCancel = m_bSawCancel || after.bCancelVisible;
  if (before.bExists != after.bExists && !after.bExists) {
    m_log.Write("dialog gone");
    return;
  }
  if (bEverything || before.bEnabled != after.bEnabled) m_log.Write(std::string("dialog ") + Enabled(after.bEnabled));
  if (bEverything || before.status != after.status) {
    m_statusHistory.push_back(ProgramIDOfText(after.status));
    m_log.Write("status " + DescribeText(after.status));
  }
  if (bEverything || before.bUpdateEnabled != after.bUpdateEnabled) {
    m_log.Write(std::string("update ") + Enabled(after.bUpdateEnabled));
  }
  if (bEverything || before.bCloseEnabled != after.bCloseEnabled) {
    m_log.Write(std::string("close ") + Enabled(after.bCloseEnabled));
  }
  if (bEverything || before.bCancelVisible != after.bCancelVisible) {
    m_log.Write(after.bCancelVisible ? "cancel shown" : "cancel hidden");
  }
  for (HWND hBox : before.boxes) {
    if (!Contains(after.boxes, hBox)) m_log.Write("box closed " + Handle(hBox));
  }
  for (HWND hBox : after.boxes) {
    if (!Contains(before.boxes, hBox)) {
      m_log.Write("box opened " + Handle(hBox) + " " + Quoted(Utf8FromWide(WindowText(hBox))));
    }
  }
}
