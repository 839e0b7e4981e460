// orvane-wine-driver: plays the user of Orvane from a second process. It finds
// the program's main dialog, clicks, presses keys and answers boxes as the
// steps on its command line say, checks what the dialog shows, and logs every
// change it sees. Exit code 0: every step passed; 1: a step failed; 2: the
// command line is wrong.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver_steps.h"
#include "event_log.h"

namespace {

struct SStep {
  const SVerb* verb;
  std::vector<std::string> arguments;
};

void PrintUsage() {
  std::fprintf(stderr, "usage: orvane-wine-driver STEP [ARGUMENT...] [STEP ...]\nsteps:\n");
  for (const SVerb& verb : Verbs()) {
    std::string arguments;
    for (const char kind : verb.argumentKinds) arguments += std::string(" <") + kind + ">";
    std::fprintf(stderr, "  %s%s: %s\n", std::string(verb.name).c_str(), arguments.c_str(), std::string(verb.help).c_str());
  }
}

const SVerb* FindVerb(const std::string& name) {
  for (const SVerb& verb : Verbs()) {
    if (verb.name == name) return &verb;
  }
  return nullptr;
}

// The whole command line is checked before the first step runs, so that a
// mistake in a test shows as a usage error and not as a failure of the program.
bool ParseSteps(int argc, char** argv, std::vector<SStep>& steps) {
  for (int nIndex = 1; nIndex < argc;) {
    const SVerb* verb = FindVerb(argv[nIndex]);
    if (verb == nullptr) {
      std::fprintf(stderr, "unknown step \"%s\"\n", argv[nIndex]);
      return false;
    }
    SStep step{verb, {}};
    ++nIndex;
    for (const char kind : verb->argumentKinds) {
      if (nIndex >= argc) {
        std::fprintf(stderr, "step %s: missing argument\n", std::string(verb->name).c_str());
        return false;
      }
      std::string reason;
      if (!IsArgumentOfKind(kind, argv[nIndex], reason)) {
        std::fprintf(stderr, "step %s: argument \"%s\": %s\n", std::string(verb->name).c_str(), argv[nIndex], reason.c_str());
        return false;
      }
      step.arguments.emplace_back(argv[nIndex]);
      ++nIndex;
    }
    steps.push_back(std::move(step));
  }
  return !steps.empty();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<SStep> steps;
  if (!ParseSteps(argc, argv, steps)) {
    PrintUsage();
    return 2;
  }
  CEventLog log;
  SDriverContext context{log, CDialogObserver(log)};
  for (const SStep& step : steps) {
    std::string line = "step " + std::string(step.verb->name);
    for (const std::string& argument : step.arguments) line += " " + argument;
    log.Write(line);
    if (!step.verb->run(context, step.arguments)) {
      log.Write("RESULT FAIL");
      return 1;
    }
  }
  // Whatever the steps were about, the Cancel button that gives Escape its
  // command must have stayed out of sight.
  if (context.observer.SawCancel()) {
    log.Write("FAIL the hidden Cancel button was shown");
    log.Write("RESULT FAIL");
    return 1;
  }
  log.Write("RESULT PASS");
  return 0;
}
