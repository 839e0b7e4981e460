// COrvaneApp: starts the program, runs the main dialog once and lets the
// process end when it closes.
#pragma once

#include "win_app.h"

class COrvaneApp : public CWinApp {
 public:
  COrvaneApp();
  ~COrvaneApp() override;

  const SMessageMap* GetMessageMap() const override;
  BOOL InitInstance() override;
};

extern COrvaneApp theApp;
