// The limits both programs apply to the screen saver's "SCR" values after
// reading them. Portable, so that the native build checks them too.
#pragma once

// 10..80. Compared unsigned: a negative speed is a large number and becomes 80.
int ClampSpeedAnimation(int speed);
// 80..3000 steps of pause.
int ClampPause(int pause);
// Rows or columns of the grid: 1..24.
int ClampGridCount(int count);
// Whether a stored font height is used: from lowest to -11; any other height
// leaves the default.
bool IsUsableFontHeight(int height, int lowest);
#define SAVER_LOWEST_FONT_HEIGHT (-159)
#define CALENDAR_LOWEST_FONT_HEIGHT (-998)
