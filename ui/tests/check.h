// The smallest check the tests need: a failed condition is reported with its
// place and counted; the program's exit code says whether any failed.
#pragma once

#include <source_location>

void Check(bool bCondition, const char* pszWhat,
           std::source_location where = std::source_location::current());

// Each file's checks, run by main.
void RunGeometryTests();
void RunFrameworkTests();
void RunDialogTests();
void RunHidLoaderTests();
