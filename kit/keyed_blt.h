// Copies a skin drawn in a memory DC to a window with its key colour left out: where the
// skin holds the key, the target keeps what it had (a child control, what lies below).
#pragma once
#include <windows.h>

// As TransparentBlt(target, x, y, w, h, source, sx, sy, w, h, key) at the same size, which
// under Wine costs a strip of a dialog 10 ms and more: the key's pixels are found in a copy
// of the source and cut out of the target's clipping, and the rest is copied in one BitBlt.
// Targets that are not 32 bits a pixel, mapped other than one unit a pixel or laid out
// right to left get the TransparentBlt itself.
BOOL KeyedBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, COLORREF key);
