// Pixel arithmetic of the main dialog's drawing, kept apart from the window
// calls so that it can be checked on its own.
#pragma once

// Offset of the icon drawn in a minimised window, along one axis: centred,
// in signed arithmetic that truncates toward zero, so that an icon wider
// than the area by one pixel still starts at 0.
int MinimisedIconOffset(int nClientExtent, int nIconExtent);

// Width in pixels of the filled part of a progress bar nBarWidth pixels wide
// at the position, positions outside the range counting as its ends.
int ProgressFillWidth(int nPos, int nLower, int nUpper, int nBarWidth);
