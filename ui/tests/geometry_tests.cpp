// The arithmetic of the dialogs' drawing and placement, and the title rule.
#include <string>

#include "check.h"
#include "dialog_geometry.h"
#include "win_app.h"
#include "window_placement.h"

namespace {

void CheckMinimisedIconOffset() {
  struct SCase {
    int nClient;
    int nIcon;
    int nExpected;
  };
  static constexpr SCase kCases[] = {
      {32, 32, 0}, {33, 32, 1}, {34, 32, 1},
      // Narrower than the icon: truncation toward zero, not toward minus
      // infinity, so one pixel short still gives 0.
      {31, 32, 0}, {30, 32, 0}, {29, 32, -1}, {0, 32, -15},
      {160, 48, 56}, {161, 48, 57},
  };
  for (const SCase& testCase : kCases) {
    Check(MinimisedIconOffset(testCase.nClient, testCase.nIcon) == testCase.nExpected,
          "minimised icon offset");
  }
}

void CheckProgressFillWidth() {
  struct SCase {
    int nPos;
    int nLower;
    int nUpper;
    int nWidth;
    int nExpected;
  };
  static constexpr SCase kCases[] = {
      {0, 0, 0x4000, 260, 0},
      {63, 0, 0x4000, 260, 0},
      {64, 0, 0x4000, 260, 1},
      {8191, 0, 0x4000, 260, 129},
      {16382, 0, 0x4000, 260, 259},
      {0x4000, 0, 0x4000, 260, 260},
      // Outside the range: the bar shows its ends.
      {-5, 0, 0x4000, 260, 0},
      {0x5000, 0, 0x4000, 260, 260},
      {150, 100, 200, 50, 25},
      // No range or no width: nothing filled, and no division by zero.
      {5, 10, 10, 260, 0},
      {5, 0, 10, 0, 0},
      // Wide ranges do not overflow.
      {0x7FFFFFFF, 0, 0x7FFFFFFF, 1000, 1000},
      {0, -0x7FFFFFFF, 0x7FFFFFFF, 1000, 500},
  };
  for (const SCase& testCase : kCases) {
    Check(ProgressFillWidth(testCase.nPos, testCase.nLower, testCase.nUpper, testCase.nWidth) ==
              testCase.nExpected,
          "progress fill width");
  }
}

void CheckCentredPosition() {
  struct SCase {
    RECT window;
    RECT over;
    RECT workArea;
    POINT expected;
  };
  static constexpr SCase kCases[] = {
      // Over the whole work area.
      {{0, 0, 200, 100}, {0, 0, 1000, 700}, {0, 0, 1000, 700}, {400, 300}},
      // Odd remainders round down.
      {{0, 0, 201, 101}, {0, 0, 1000, 700}, {0, 0, 1000, 700}, {399, 299}},
      // Over an owner inside the work area; the window's own position does
      // not count, only its size.
      {{50, 60, 250, 160}, {100, 100, 500, 300}, {0, 0, 1000, 700}, {200, 150}},
      // An owner near the right and bottom edges: pulled back inside.
      {{0, 0, 200, 100}, {850, 650, 1000, 700}, {0, 0, 1000, 700}, {800, 600}},
      // An owner partly off the left and top of a second monitor's work area.
      {{0, 0, 200, 100}, {1900, -80, 2000, 0}, {1920, 0, 3840, 1040}, {1920, 0}},
      // Larger than the work area: its top-left corner stays visible.
      {{0, 0, 1200, 800}, {0, 0, 1000, 700}, {0, 0, 1000, 700}, {0, 0}},
  };
  for (const SCase& testCase : kCases) {
    const POINT position = CentredPosition(testCase.window, testCase.over, testCase.workArea);
    Check(position.x == testCase.expected.x && position.y == testCase.expected.y,
          "centred position");
  }
}

void CheckAppTitle() {
  struct SCase {
    const wchar_t* pszText;
    const wchar_t* pszModulePath;
    const wchar_t* pszExpected;
  };
  static constexpr SCase kCases[] = {
      {L"Zentor", L"C:\\apps\\Orvane.exe", L"Zentor"},
      {L"", L"C:\\apps\\Orvane.exe", L"Orvane"},
      {L"", L"C:\\my.apps\\Orvane", L"Orvane"},
      {L"", L"C:\\apps\\Orvane.v2.exe", L"Orvane.v2"},
      {L"", L"Orvane.exe", L"Orvane"},
      {L"", L"\\\\server\\share/Orvane.EXE", L"Orvane"},
  };
  for (const SCase& testCase : kCases) {
    Check(AppTitle(testCase.pszText, testCase.pszModulePath) == testCase.pszExpected,
          "application title");
  }
  // Only the first 255 characters of a long title are kept.
  const std::wstring longText(300, L'x');
  Check(AppTitle(longText, L"C:\\Orvane.exe") == std::wstring(255, L'x'), "long title cut to 255");
}

}  // namespace

void RunGeometryTests() {
  CheckMinimisedIconOffset();
  CheckProgressFillWidth();
  CheckCentredPosition();
  CheckAppTitle();
}
