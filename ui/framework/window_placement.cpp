#include "window_placement.h"

#include <algorithm>

namespace {

LONG CentredStart(LONG nExtent, LONG nOverStart, LONG nOverEnd, LONG nAreaStart, LONG nAreaEnd) {
  LONG nStart = nOverStart + (nOverEnd - nOverStart - nExtent) / 2;
  nStart = std::min(nStart, nAreaEnd - nExtent);
  return std::max(nStart, nAreaStart);
}

}  // namespace

POINT CentredPosition(const RECT& windowRect, const RECT& overRect, const RECT& workArea) {
  return {CentredStart(windowRect.right - windowRect.left, overRect.left, overRect.right,
                       workArea.left, workArea.right),
          CentredStart(windowRect.bottom - windowRect.top, overRect.top, overRect.bottom,
                       workArea.top, workArea.bottom)};
}

void CentreDialog(HWND hDialog, HWND hOwner) {
  const bool bOverOwner = hOwner != nullptr && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!::GetMonitorInfoW(::MonitorFromWindow(bOverOwner ? hOwner : hDialog, MONITOR_DEFAULTTONEAREST),
                         &monitor)) {
    return;
  }
  RECT windowRect{};
  RECT overRect = monitor.rcWork;
  ::GetWindowRect(hDialog, &windowRect);
  if (bOverOwner) {
    ::GetWindowRect(hOwner, &overRect);
  }
  const POINT position = CentredPosition(windowRect, overRect, monitor.rcWork);
  ::SetWindowPos(hDialog, nullptr, position.x, position.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
