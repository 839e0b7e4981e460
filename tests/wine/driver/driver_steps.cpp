#include "driver_steps.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "program_texts.h"
#include "resource.h"
#include "status_messages.h"
#include "target_window.h"

namespace {

// A sent PBM_GETPOS is answered only when the program's thread is free again;
// this is how long one attempt waits before the thread counts as busy.
constexpr UINT kProgressAskMilliseconds = 200;

constexpr DWORD kFocusSettleMilliseconds = 1000;

std::optional<unsigned long> ParseNumber(const std::string& argument) {
  if (argument.empty() || argument.size() > 9) return std::nullopt;
  for (const char character : argument) {
    if (character < '0' || character > '9') return std::nullopt;
  }
  return std::strtoul(argument.c_str(), nullptr, 10);
}

DWORD Number(const std::string& argument) { return static_cast<DWORD>(ParseNumber(argument).value_or(0)); }

std::vector<std::string> SplitList(const std::string& argument) {
  std::vector<std::string> items;
  std::size_t nStart = 0;
  for (;;) {
    const std::size_t nEnd = argument.find(',', nStart);
    items.push_back(argument.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd - nStart));
    if (nEnd == std::string::npos) return items;
    nStart = nEnd + 1;
  }
}

int ButtonID(const std::string& name) { return name == "update" ? IDC_UPDATE : IDOK; }

// Polls the dialog, logging what changes, until the condition holds or the
// wait is over; checks at least once.
template <typename Condition>
bool WaitUntil(SDriverContext& context, DWORD nMilliseconds, Condition condition) {
  const ULONGLONG nStart = GetTickCount64();
  for (;;) {
    context.observer.Poll();
    if (condition()) return true;
    if (GetTickCount64() - nStart >= nMilliseconds) return false;
    Sleep(1);
  }
}

bool Fail(SDriverContext& context, const std::string& reason) {
  context.log.Write("FAIL " + reason);
  return false;
}

bool RequireDialog(SDriverContext& context) {
  if (context.observer.IsAttached()) return true;
  return Fail(context, "no main dialog yet: a run starts with the step window");
}

std::string DescribeWindow(HWND hWindow) {
  if (hWindow == nullptr) return "nothing";
  return Utf8FromWide(ClassName(hWindow)) + " " + std::to_string(GetDlgCtrlID(hWindow)) + " " +
         Quoted(Utf8FromWide(WindowText(hWindow)));
}

// A key press as the keyboard gives it: the dialog's message loop turns Escape
// and Enter into commands only when they arrive through it as key messages.
void PressKey(HWND hTarget, WPARAM nKey, UINT nScanCode) {
  const LPARAM nDown = 1 | (static_cast<LPARAM>(nScanCode) << 16);
  const LPARAM nUp = nDown | (LPARAM{1} << 30) | (LPARAM{1} << 31);
  PostMessageW(hTarget, WM_KEYDOWN, nKey, nDown);
  PostMessageW(hTarget, WM_KEYUP, nKey, nUp);
}

// Presses the key in the dialog where the user would press it: on its
// control that has the focus. Right after a box closes, the focus may still
// name a window that is going away, so the key waits a little for the focus to
// come back into the dialog and goes to the dialog itself if it does not.
void PressKeyIn(SDriverContext& context, HWND hDialog, const std::string& name) {
  HWND hTarget = hDialog;
  WaitUntil(context, kFocusSettleMilliseconds, [&] {
    HWND hFocus = FocusOfThread(hDialog);
    if (hFocus != hDialog && !IsChild(hDialog, hFocus)) return false;
    hTarget = hFocus;
    return true;
  });
  if (name == "enter") {
    PressKey(hTarget, VK_RETURN, 0x1C);
  } else {
    PressKey(hTarget, VK_ESCAPE, 0x01);
  }
}

// The box open over the main dialog; waits for one to appear.
HWND WaitForBox(SDriverContext& context) {
  HWND hBox = nullptr;
  WaitUntil(context, context.nWaitMilliseconds, [&] {
    const std::vector<HWND>& boxes = context.observer.State().boxes;
    hBox = boxes.empty() ? nullptr : boxes.front();
    return hBox != nullptr;
  });
  return hBox;
}

bool WaitForBoxClosed(SDriverContext& context, HWND hBox) {
  return WaitUntil(context, context.nWaitMilliseconds, [&] { return !IsWindow(hBox) || !IsWindowVisible(hBox); });
}

// Ends the box open over the main dialog with its OK or Cancel button or with
// Escape, and waits until the main dialog takes input again.
bool EndBox(SDriverContext& context, const std::string& step, const std::string& how) {
  HWND hBox = WaitForBox(context);
  if (hBox == nullptr) return Fail(context, step + ": no box is open");
  if (how == "escape") {
    PressKeyIn(context, hBox, "escape");
  } else {
    HWND hButton = GetDlgItem(hBox, how == "ok" ? IDOK : IDCANCEL);
    if (hButton == nullptr) return Fail(context, step + ": the box has no " + how + " button");
    PostMessageW(hButton, BM_CLICK, 0, 0);
  }
  if (!WaitForBoxClosed(context, hBox)) return Fail(context, step + ": the box stayed open");
  const bool bBack = WaitUntil(context, context.nWaitMilliseconds, [&] {
    const SDialogState& state = context.observer.State();
    return state.bExists && state.bEnabled;
  });
  if (!bBack) return Fail(context, step + ": the main dialog did not take input again");
  return true;
}

bool StepWindow(SDriverContext& context, const std::vector<std::string>& arguments) {
  const std::wstring title = ProgramText(IDS_APP_TITLE);
  HWND hDialog = nullptr;
  const bool bFound = WaitUntil(context, Number(arguments[0]), [&] {
    hDialog = FindMainDialog(title, IDC_STATUS);
    return hDialog != nullptr;
  });
  if (!bFound) return Fail(context, "no visible dialog captioned " + Quoted(Utf8FromWide(title)));
  context.observer.Attach(hDialog);
  return true;
}

bool StepTimeout(SDriverContext& context, const std::vector<std::string>& arguments) {
  context.nWaitMilliseconds = Number(arguments[0]);
  return true;
}

bool StepStatus(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  const auto nID = static_cast<std::uint16_t>(Number(arguments[0]));
  const std::wstring expected = ProgramText(nID);
  if (WaitUntil(context, context.nWaitMilliseconds, [&] { return context.observer.State().status == expected; })) {
    return true;
  }
  return Fail(context, "status: expected " + DescribeID(nID) + ", shown " + DescribeText(context.observer.State().status));
}

bool StepButtonState(SDriverContext& context, const std::vector<std::string>& arguments, const std::string& button) {
  if (!RequireDialog(context)) return false;
  const bool bWanted = arguments[0] == "on";
  const bool bReached = WaitUntil(context, context.nWaitMilliseconds, [&] {
    const SDialogState& state = context.observer.State();
    return state.bExists && (button == "update" ? state.bUpdateEnabled : state.bCloseEnabled) == bWanted;
  });
  if (bReached) return true;
  return Fail(context, button + ": expected " + (bWanted ? "enabled" : "disabled"));
}

bool StepUpdate(SDriverContext& context, const std::vector<std::string>& arguments) {
  return StepButtonState(context, arguments, "update");
}

bool StepClose(SDriverContext& context, const std::vector<std::string>& arguments) {
  return StepButtonState(context, arguments, "close");
}

bool StepFocus(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  HWND hButton = context.observer.Control(ButtonID(arguments[0]));
  HWND hFocus = nullptr;
  if (WaitUntil(context, context.nWaitMilliseconds, [&] {
        hFocus = FocusOfThread(context.observer.Dialog());
        return hFocus == hButton;
      })) {
    return true;
  }
  return Fail(context, "focus: expected " + DescribeWindow(hButton) + ", focus on " + DescribeWindow(hFocus));
}

bool StepHold(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  const ULONGLONG nStart = GetTickCount64();
  while (GetTickCount64() - nStart < Number(arguments[0])) {
    if (context.observer.Poll()) return Fail(context, "hold: the dialog changed (see the line above)");
    Sleep(1);
  }
  return true;
}

bool StepSleep(SDriverContext& context, const std::vector<std::string>& arguments) {
  WaitUntil(context, Number(arguments[0]), [] { return false; });
  return true;
}

bool StepClick(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  HWND hButton = context.observer.Control(ButtonID(arguments[0]));
  // A user cannot click a button that is greyed out or behind a modal box,
  // and waits for it: the probe shows its text just before it enables Update.
  const bool bClickable = WaitUntil(context, context.nWaitMilliseconds, [&] {
    return context.observer.State().bEnabled && IsWindowEnabled(hButton);
  });
  if (!bClickable) {
    if (!context.observer.State().bEnabled) return Fail(context, "click: the dialog takes no input");
    return Fail(context, "click: " + arguments[0] + " is disabled");
  }
  // Posted, not sent: the click handler runs the whole update and first waits
  // for the confirmation box that this driver has to answer.
  PostMessageW(hButton, BM_CLICK, 0, 0);
  return true;
}

bool StepKey(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  PressKeyIn(context, context.observer.Dialog(), arguments[0]);
  return true;
}

bool StepCloseRequest(SDriverContext& context, const std::vector<std::string>&) {
  if (!RequireDialog(context)) return false;
  PostMessageW(context.observer.Dialog(), WM_CLOSE, 0, 0);
  return true;
}

bool StepAbout(SDriverContext& context, const std::vector<std::string>&) {
  if (!RequireDialog(context)) return false;
  PostMessageW(context.observer.Dialog(), WM_SYSCOMMAND, IDM_ABOUT, 0);
  HWND hBox = WaitForBox(context);
  if (hBox == nullptr) return Fail(context, "about: no box opened over the dialog");
  for (const std::wstring& text : StaticTexts(hBox)) context.log.Write("about text " + Quoted(Utf8FromWide(text)));
  if (GetDlgItem(hBox, IDOK) == nullptr) return Fail(context, "about: the box has no OK button");
  if (!WaitUntil(context, context.nWaitMilliseconds, [&] { return !context.observer.State().bEnabled; })) {
    return Fail(context, "about: the main dialog still takes input while the box is open");
  }
  return true;
}

bool StepAboutClose(SDriverContext& context, const std::vector<std::string>& arguments) {
  return RequireDialog(context) && EndBox(context, "about-close", arguments[0]);
}

bool StepConfirm(SDriverContext& context, const std::vector<std::string>&) {
  if (!RequireDialog(context)) return false;
  HWND hBox = WaitForBox(context);
  if (hBox == nullptr) return Fail(context, "confirm: no box opened over the dialog");
  const std::wstring caption = WindowText(hBox);
  const std::wstring message = MessageText(hBox);
  context.log.Write("confirm caption " + DescribeText(caption));
  context.log.Write("confirm text " + DescribeText(message));
  if (caption != ProgramText(IDS_APP_TITLE)) return Fail(context, "confirm: the caption is not the application title");
  if (message != ProgramText(IDS_CONFIRM_UPDATE)) return Fail(context, "confirm: the text is not the confirmation");
  if (GetDlgItem(hBox, IDOK) == nullptr || GetDlgItem(hBox, IDCANCEL) == nullptr) {
    return Fail(context, "confirm: the box lacks OK or Cancel");
  }
  return true;
}

bool StepAnswer(SDriverContext& context, const std::vector<std::string>& arguments) {
  return RequireDialog(context) && EndBox(context, "answer", arguments[0]);
}

bool StepFollow(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  // The run is over when Close alone is enabled again; until then the
  // program's thread is held and only the status line and buttons move.
  const bool bEnded = WaitUntil(context, Number(arguments[0]), [&] {
    const SDialogState& state = context.observer.State();
    return !state.bExists || (state.bCloseEnabled && !state.bUpdateEnabled && state.boxes.empty());
  });
  if (!bEnded) return Fail(context, "follow: the run did not end in time");
  if (!context.observer.State().bExists) return Fail(context, "follow: the dialog went away during the run");
  context.log.Write("run ended with " + DescribeText(context.observer.State().status));
  return true;
}

bool StepProgress(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  HWND hProgress = context.observer.Control(IDC_PROGRESS);
  const int nWanted = static_cast<int>(Number(arguments[0]));
  std::optional<int> position;
  if (WaitUntil(context, context.nWaitMilliseconds, [&] {
        position = ProgressPosition(hProgress, kProgressAskMilliseconds);
        return position == nWanted;
      })) {
    context.log.Write("progress " + std::to_string(nWanted));
    return true;
  }
  return Fail(context, "progress: expected " + arguments[0] + ", read " +
                           (position ? std::to_string(*position) : std::string("nothing (program busy)")));
}

std::string JoinIDs(const std::vector<std::uint16_t>& nIDs) {
  std::string text;
  for (const std::uint16_t nID : nIDs) {
    if (!text.empty()) text += ',';
    text += std::to_string(nID);
  }
  return text;
}

// The shown statuses must be the list in order, where an ID marked with ? may
// have passed too quickly to be seen; nothing else may have been shown.
bool StepSequence(SDriverContext& context, const std::vector<std::string>& arguments) {
  if (!RequireDialog(context)) return false;
  context.observer.Poll();
  const std::vector<std::uint16_t>& shown = context.observer.StatusHistory();
  std::size_t nShown = 0;
  bool bMatches = true;
  for (std::string item : SplitList(arguments[0])) {
    const bool bOptional = item.back() == '?';
    if (bOptional) item.pop_back();
    const auto nID = static_cast<std::uint16_t>(Number(item));
    if (nShown < shown.size() && shown[nShown] == nID) {
      ++nShown;
    } else if (!bOptional) {
      bMatches = false;
      break;
    }
  }
  if (bMatches && nShown == shown.size()) return true;
  return Fail(context, "sequence: expected " + arguments[0] + ", shown " + JoinIDs(shown));
}

bool StepGone(SDriverContext& context, const std::vector<std::string>&) {
  if (!RequireDialog(context)) return false;
  if (WaitUntil(context, context.nWaitMilliseconds, [&] { return !IsWindow(context.observer.Dialog()); })) return true;
  return Fail(context, "gone: the main dialog is still there");
}

constexpr SVerb kVerbs[] = {
    {"window", "n", StepWindow, "wait up to n ms for the main dialog and start following it"},
    {"timeout", "n", StepTimeout, "the checks that follow wait up to n ms (0: check once)"},
    {"status", "i", StepStatus, "the status line shows text i"},
    {"update", "s", StepUpdate, "the Update button is enabled (on) or disabled (off)"},
    {"close", "s", StepClose, "the Close button is enabled (on) or disabled (off)"},
    {"focus", "c", StepFocus, "the keyboard focus is on the button"},
    {"hold", "n", StepHold, "nothing about the dialog changes for n ms"},
    {"sleep", "n", StepSleep, "follow the dialog for n ms without checking"},
    {"click", "c", StepClick, "click the button once it is enabled"},
    {"key", "k", StepKey, "press the key in the dialog that has the focus"},
    {"close-request", "", StepCloseRequest, "ask the main dialog to close, as its caption's close box would"},
    {"about", "", StepAbout, "choose the About entry of the window menu; the box opens over a disabled dialog"},
    {"about-close", "e", StepAboutClose, "end the About box with its OK button or Escape; the dialog is back"},
    {"confirm", "", StepConfirm, "the confirmation box is open, captioned with the title, with its text"},
    {"answer", "a", StepAnswer, "answer the open box with OK or Cancel; the dialog is back"},
    {"follow", "n", StepFollow, "wait up to n ms for the update to end: Close alone enabled"},
    {"progress", "n", StepProgress, "the progress bar stands at n"},
    {"sequence", "l", StepSequence, "the status texts shown so far, in order (id? may be missed)"},
    {"gone", "", StepGone, "the main dialog has closed"},
};

}  // namespace

std::span<const SVerb> Verbs() { return kVerbs; }

bool IsArgumentOfKind(char kind, const std::string& argument, std::string& reason) {
  const auto oneOf = [&](std::initializer_list<std::string_view> choices) {
    for (const std::string_view choice : choices) {
      if (argument == choice) return true;
    }
    reason = "not one of the allowed words";
    return false;
  };
  switch (kind) {
    case 'n':
      if (ParseNumber(argument)) return true;
      reason = "not a number";
      return false;
    case 'i': {
      const std::optional<unsigned long> nID = ParseNumber(argument);
      if (nID && *nID <= 0xFFFF && IsProgramID(static_cast<std::uint16_t>(*nID))) return true;
      reason = "not an ID of the program's texts";
      return false;
    }
    case 'l':
      for (std::string item : SplitList(argument)) {
        if (!item.empty() && item.back() == '?') item.pop_back();
        if (!IsArgumentOfKind('i', item, reason)) {
          reason = "item " + Quoted(item) + ": " + reason;
          return false;
        }
      }
      return true;
    case 'c': return oneOf({"update", "close"});
    case 's': return oneOf({"on", "off"});
    case 'a': return oneOf({"ok", "cancel"});
    case 'e': return oneOf({"ok", "escape"});
    case 'k': return oneOf({"escape", "enter"});
    default: reason = "unknown kind"; return false;
  }
}
