#include "dialog_geometry.h"

#include <algorithm>
#include <cstdint>

int MinimisedIconOffset(int nClientExtent, int nIconExtent) {
  return (nClientExtent - nIconExtent + 1) / 2;
}

int ProgressFillWidth(int nPos, int nLower, int nUpper, int nBarWidth) {
  if (nUpper <= nLower || nBarWidth <= 0) {
    return 0;
  }
  const std::int64_t nOffset = std::clamp(nPos, nLower, nUpper) - static_cast<std::int64_t>(nLower);
  return static_cast<int>(nOffset * nBarWidth / (static_cast<std::int64_t>(nUpper) - nLower));
}
