// The steps the driver can take, as a user of the program would, and the
// checks it makes on the way. A run is a list of steps given on the command
// line; the first step that fails ends the run.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_observer.h"
#include "event_log.h"

struct SDriverContext {
  CEventLog& log;
  CDialogObserver observer;
  // How long a check waits for its condition before it fails; 0 checks once.
  DWORD nWaitMilliseconds = 5000;
};

using StepFunction = bool (*)(SDriverContext& context, const std::vector<std::string>& arguments);

struct SVerb {
  std::string_view name;
  // One letter per argument, its kind: n a number of milliseconds or a
  // position, i a program text ID, c a button (update, close), s on or off,
  // a ok or cancel, e ok or escape, k escape or enter, l a list of text IDs.
  std::string_view argumentKinds;
  StepFunction run;
  std::string_view help;
};

std::span<const SVerb> Verbs();

// Whether the argument is of the kind; the reason why not otherwise.
bool IsArgumentOfKind(char kind, const std::string& argument, std::string& reason);
