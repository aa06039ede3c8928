// The skin palette: pens, brushes, colours and the two fonts that every
// window of the program paints with. One set of objects for the whole run.
#pragma once
#include <windows.h>

#include "fx/gdi.h"

// Transparent key: every area of a memory bitmap painted in it is left out
// when the bitmap is copied to the screen.
constexpr COLORREF SKIN_KEY_COLOUR = RGB(0x00, 0x80, 0x80);
// Text of dialog controls.
constexpr COLORREF SKIN_TEXT_COLOUR = RGB(0x44, 0x44, 0x44);
constexpr COLORREF SKIN_WHITE = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF SKIN_BACK_COLOUR = RGB(0xD6, 0xE0, 0xE8);  // colour of g_BrushSkin
// Status cell of a device row.
constexpr COLORREF STATUS_FAIL_COLOUR = RGB(187, 0, 0);
constexpr COLORREF STATUS_OK_COLOUR = RGB(0x43, 0x8C, 0x12);

// Solid 1-pixel pens and solid brushes, made during static initialisation.
extern CPen g_PenBlue;      // #4895CF rows of a combo box's list
extern CPen g_PenGrey;      // #858585 frames of the settings pages
extern CPen g_PenFrame;     // #5B8FC7 frames around child controls
extern CPen g_PenDarkBlue;  // #1460B2 outline of the tab strip
extern CBrush g_BrushWhite; // #FFFFFF
extern CBrush g_BrushSkin;  // #D6E0E8 background of dialog controls

// "Arial", weight 500, proof quality; heights 14 and 24. Made by CreateSkinFonts
// at start-up (they stay empty until then).
extern CFont g_Font;
extern CFont g_BoldFont;
void CreateSkinFonts();

// The DC with which every memory DC and bitmap is made compatible (a client DC
// of the main frame, set at start-up). While it is null the screen is used.
extern CDC* g_pScreenDC;
