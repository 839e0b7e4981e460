// The Windows headers the dialog framework and the dialogs are written
// against: the system's, included the one way the whole program includes
// them, and the common controls.
#pragma once

#include "platform_api.h"

#include <commctrl.h>
