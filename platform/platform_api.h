// The operating-system operations that device/ and update/ use, under their
// Windows names and types. On Windows they are the system's own; elsewhere the
// same declarations are implemented by this project (platform/posix/).
#pragma once

#if defined(_WIN32)
#include "win32/win32_api.h"
#else
#include "posix/win_api.h"
#endif
