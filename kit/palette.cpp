#include "kit/palette.h"

CPen g_PenBlue(PS_SOLID, 1, RGB(0x48, 0x95, 0xCF));
CBrush g_BrushWhite(RGB(0xFF, 0xFF, 0xFF));
CPen g_PenGrey(PS_SOLID, 1, RGB(0x85, 0x85, 0x85));
CBrush g_BrushSkin(SKIN_BACK_COLOUR);
CPen g_PenFrame(PS_SOLID, 1, RGB(0x5B, 0x8F, 0xC7));
CPen g_PenDarkBlue(PS_SOLID, 1, RGB(0x14, 0x60, 0xB2));

CFont g_Font;
CFont g_BoldFont;
CDC* g_pScreenDC = nullptr;

void CreateSkinFonts() {
  LOGFONTW lf{};
  lf.lfHeight = 14;
  lf.lfWeight = 500;
  lf.lfQuality = PROOF_QUALITY;
  lstrcpyW(lf.lfFaceName, L"Arial");
  g_Font.CreateFontIndirect(&lf);
  lf.lfHeight = 24;
  g_BoldFont.CreateFontIndirect(&lf);
}
