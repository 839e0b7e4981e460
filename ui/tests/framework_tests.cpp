// Message maps and string loading, without windows.
#include <string>

#include "check.h"
#include "message_map.h"
#include "resources.h"
#include "status_messages.h"

namespace {

class CBaseTarget : public CCmdTarget {
 public:
  const SMessageMap* GetMessageMap() const override {
    static constexpr SMessageMapEntry kEntries[] = {
        TimerEntry<&CBaseTarget::OnTimer>(),
        CommandEntry<10, &CBaseTarget::OnTen>(),
        QueryDragIconEntry<&CBaseTarget::OnQueryDragIcon>(),
    };
    static const SMessageMap map{CCmdTarget::GetMessageMap(), kEntries};
    return &map;
  }

  void OnTimer(UINT_PTR nIDEvent) { m_log += L"base timer " + std::to_wstring(nIDEvent) + L";"; }
  void OnTen() { m_log += L"ten;"; }
  HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(static_cast<UINT_PTR>(0x1234)); }

  std::wstring m_log;
};

// Takes the timer over from its base and adds a button and the window menu.
class CDerivedTarget : public CBaseTarget {
 public:
  const SMessageMap* GetMessageMap() const override {
    static constexpr SMessageMapEntry kEntries[] = {
        ClickedEntry<20, &CDerivedTarget::OnTwenty>(),
        TimerEntry<&CDerivedTarget::OnTimer>(),
        SysCommandEntry<&CDerivedTarget::OnSysCommand>(),
    };
    static const SMessageMap map{CBaseTarget::GetMessageMap(), kEntries};
    return &map;
  }

  void OnTwenty() { m_log += L"twenty;"; }
  void OnTimer(UINT_PTR nIDEvent) { m_log += L"derived timer " + std::to_wstring(nIDEvent) + L";"; }
  void OnSysCommand(UINT nID, LPARAM lParam) {
    m_log += L"syscommand " + std::to_wstring(nID) + L" " + std::to_wstring(lParam) + L";";
  }
};

void CheckMessageMaps() {
  struct SCase {
    UINT nMessage;
    WPARAM wParam;
    LPARAM lParam;
    bool bHandled;
    const wchar_t* pszLog;
  };
  static const SCase kCases[] = {
      {WM_TIMER, 7, 0, true, L"derived timer 7;"},
      {WM_COMMAND, MAKEWPARAM(10, 0), 0, true, L"ten;"},
      {WM_COMMAND, MAKEWPARAM(20, BN_CLICKED), 0, true, L"twenty;"},
      // Same control, another notification; another control, same code.
      {WM_COMMAND, MAKEWPARAM(20, BN_SETFOCUS), 0, false, L""},
      {WM_COMMAND, MAKEWPARAM(30, BN_CLICKED), 0, false, L""},
      {WM_SYSCOMMAND, 0x0010, 77, true, L"syscommand 16 77;"},
      {WM_PAINT, 0, 0, false, L""},
  };
  for (const SCase& testCase : kCases) {
    CDerivedTarget target;
    LRESULT lResult = -1;
    const bool bHandled =
        target.OnWndMsg(testCase.nMessage, testCase.wParam, testCase.lParam, lResult);
    Check(bHandled == testCase.bHandled, "message bound or not");
    Check(target.m_log == testCase.pszLog, "the bound handler ran, and only it");
  }

  CDerivedTarget target;
  LRESULT lResult = 0;
  Check(target.OnWndMsg(WM_QUERYDRAGICON, 0, 0, lResult) && lResult == 0x1234,
        "the handler's icon is the message's result");
}

std::wstring Utf16(std::string_view utf8) {
  if (utf8.empty()) {
    return {};
  }
  const int nLength =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(nLength), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), nLength);
  return text;
}

void CheckStrings() {
  // Every text of the program comes back exactly, trailing blanks and line
  // feeds included.
  for (const SStatusText& statusText : kStatusTexts) {
    Check(LoadResourceString(statusText.nID) == Utf16(statusText.text), "string resource text");
  }
  Check(LoadResourceString(IDS_INITIALIZING).back() == L' ', "trailing blank kept");
  Check(LoadResourceString(IDS_READY).find(L'\n') != std::wstring::npos, "line feed kept");
  // IDs without a text, in a block of the table that exists and in one that
  // does not.
  Check(LoadResourceString(108).empty(), "missing ID in a present block");
  Check(LoadResourceString(5000).empty(), "missing ID in a missing block");
}

}  // namespace

void RunFrameworkTests() {
  CheckMessageMaps();
  CheckStrings();
}
