// The firmware update, run synchronously from the Update button: confirmation,
// handshake, key block, erase (with a blank check when the device does not
// confirm it), programming, verification. It ends on one status message.
#pragma once

#include "update_dialog.h"

// Timer 1 is stopped for the whole run; after any run that went past the
// confirmation only Close is enabled again.
void RunUpdate(IUpdateDialog& dialog);
