#include "target_window.h"

#include <commctrl.h>

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";

struct SMainDialogSearch {
  const std::wstring* caption;
  int nControlID;
  HWND hFound;
};

BOOL CALLBACK MatchMainDialog(HWND hWindow, LPARAM lParam) {
  auto* search = reinterpret_cast<SMainDialogSearch*>(lParam);
  // The confirmation box carries the same caption; it has an owner and none
  // of the main dialog's controls.
  if (IsWindowVisible(hWindow) && ClassName(hWindow) == kDialogClass && GetWindow(hWindow, GW_OWNER) == nullptr &&
      GetDlgItem(hWindow, search->nControlID) != nullptr && WindowText(hWindow) == *search->caption) {
    search->hFound = hWindow;
    return FALSE;
  }
  return TRUE;
}

struct SThreadDialogs {
  HWND hExcluded;
  std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialog(HWND hWindow, LPARAM lParam) {
  auto* search = reinterpret_cast<SThreadDialogs*>(lParam);
  if (hWindow != search->hExcluded && IsWindowVisible(hWindow) && ClassName(hWindow) == kDialogClass) {
    search->dialogs.push_back(hWindow);
  }
  return TRUE;
}

BOOL CALLBACK CollectTextStatic(HWND hWindow, LPARAM lParam) {
  auto* texts = reinterpret_cast<std::vector<std::wstring>*>(lParam);
  const LONG_PTR nStyle = GetWindowLongPtrW(hWindow, GWL_STYLE);
  const LONG_PTR nType = nStyle & SS_TYPEMASK;
  const bool bPicture = nType == SS_ICON || nType == SS_BITMAP || nType == SS_ENHMETAFILE;
  if (!bPicture && _wcsicmp(ClassName(hWindow).c_str(), L"Static") == 0) {
    texts->push_back(WindowText(hWindow));
  }
  return TRUE;
}

}  // namespace

std::wstring WindowText(HWND hWindow) {
  // GetWindowTextW on another process's window reads the text the system
  // keeps for it instead of asking the window, so it answers while the
  // program's thread is busy.
  // The text may change between asking its length and copying it; a buffer
  // sized to the old length would cut a longer new text short and show a
  // text the program never set. A buffer that came back full is too small.
  std::size_t nRoom = static_cast<std::size_t>(GetWindowTextLengthW(hWindow)) + 256;
  for (;;) {
    std::wstring text(nRoom, L'\0');
    const int nCopied = GetWindowTextW(hWindow, text.data(), static_cast<int>(nRoom));
    if (nCopied <= 0 || static_cast<std::size_t>(nCopied) + 1 < nRoom) {
      text.resize(static_cast<std::size_t>(nCopied > 0 ? nCopied : 0));
      return text;
    }
    nRoom *= 2;
  }
}

std::wstring ClassName(HWND hWindow) {
  wchar_t name[256] = {};
  const int nLength = GetClassNameW(hWindow, name, static_cast<int>(std::size(name)));
  return std::wstring(name, static_cast<std::size_t>(nLength > 0 ? nLength : 0));
}

HWND FindMainDialog(const std::wstring& caption, int nControlID) {
  SMainDialogSearch search{&caption, nControlID, nullptr};
  EnumWindows(MatchMainDialog, reinterpret_cast<LPARAM>(&search));
  return search.hFound;
}

std::vector<HWND> OtherDialogsOfThread(HWND hMainDialog) {
  SThreadDialogs search{hMainDialog, {}};
  const DWORD nThread = GetWindowThreadProcessId(hMainDialog, nullptr);
  if (nThread != 0) EnumThreadWindows(nThread, CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.dialogs;
}

HWND FocusOfThread(HWND hWindow) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD nThread = GetWindowThreadProcessId(hWindow, nullptr);
  if (nThread == 0 || !GetGUIThreadInfo(nThread, &info)) return nullptr;
  return info.hwndFocus;
}

std::vector<std::wstring> StaticTexts(HWND hBox) {
  std::vector<std::wstring> texts;
  EnumChildWindows(hBox, CollectTextStatic, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

std::wstring MessageText(HWND hBox) {
  std::wstring longest;
  for (std::wstring& text : StaticTexts(hBox)) {
    if (text.size() > longest.size()) longest = std::move(text);
  }
  return longest;
}

std::optional<int> ProgressPosition(HWND hProgress, UINT nTimeoutMilliseconds) {
  DWORD_PTR nResult = 0;
  if (!SendMessageTimeoutW(hProgress, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, nTimeoutMilliseconds, &nResult)) {
    return std::nullopt;
  }
  return static_cast<int>(nResult);
}
