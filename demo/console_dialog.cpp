#include "console_dialog.h"

#include <string>

#include "status_messages.h"

namespace {

// Two-line texts are shown on one line here, the break as " / ".
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at)) {
    line.replace(at, 1, " / ");
  }
  return line;
}

}  // namespace

void CConsoleDialog::EndProgressLine() {
  if (m_bProgressLineOpen) std::printf("\n");
  m_bProgressLineOpen = false;
}

void CConsoleDialog::SetStatus(UINT nID) {
  EndProgressLine();
  m_nLastStatus = nID;
  const DWORD dwNow = GetTickCount();
  std::printf("[%6u.%03u s] %3u  %s\n", dwNow / 1000, dwNow % 1000, nID,
              OneLine(StatusText(static_cast<std::uint16_t>(nID))).c_str());
  std::fflush(stdout);
}

void CConsoleDialog::SetProgressRange(int nLower, int nUpper) {
  m_nLower = nLower;
  m_nUpper = nUpper;
}

void CConsoleDialog::SetProgressPos(int nPos) {
  m_nPosition = nPos;
  const int nSpan = m_nUpper > m_nLower ? m_nUpper - m_nLower : 1;
  const int nPercent = (nPos - m_nLower) * 100 / nSpan;
  if (nPercent == m_nShownPercent) return;
  m_nShownPercent = nPercent;
  const int nFilled = nPercent / 4;
  std::printf("\r               [%s%s] %3d%% (%d/%d)", std::string(static_cast<std::size_t>(nFilled), '#').c_str(),
              std::string(static_cast<std::size_t>(25 - nFilled), '.').c_str(), nPercent, nPos, m_nUpper);
  std::fflush(stdout);
  m_bProgressLineOpen = true;
}

int CConsoleDialog::MessageBoxById(UINT nIDPrompt, UINT) {
  EndProgressLine();
  std::printf("               %s -> OK\n", OneLine(StatusText(static_cast<std::uint16_t>(nIDPrompt))).c_str());
  return IDOK;
}
