// The colour depth of the screen.
#pragma once

#include <windows.h>

// 1 when the screen shows more than 65,536 colours.
int IsTrueColorDisplay();
// 1 when the screen shows more than 256 colours.
int IsHighColorDisplay();
