// Reading the program's windows from outside its process. Everything here
// avoids sending messages that the program's thread would have to answer,
// because that thread is held for the whole update; the one exception, the
// progress position, is asked with a timeout.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

std::wstring WindowText(HWND hWindow);
std::wstring ClassName(HWND hWindow);

// The visible dialog without owner that has exactly this caption and a
// control with this ID, or null.
HWND FindMainDialog(const std::wstring& caption, int nControlID);

// The visible dialogs that the main dialog's thread shows besides the main
// dialog itself: a message box or the About box.
std::vector<HWND> OtherDialogsOfThread(HWND hMainDialog);

// The keyboard focus of the thread that owns the window, or null.
HWND FocusOfThread(HWND hWindow);

// The longest text of a static control that shows text rather than an icon:
// the message of a message box.
std::wstring MessageText(HWND hBox);

// Every text of the box's static controls, in child order.
std::vector<std::wstring> StaticTexts(HWND hBox);

// The progress bar's position; empty while the program's thread is busy.
std::optional<int> ProgressPosition(HWND hProgress, UINT nTimeoutMilliseconds);
