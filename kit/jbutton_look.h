// State and layout rules of the skinned button, kept free of window code so that
// they can be checked on their own.
#pragma once
#include <algorithm>
#include <cstdint>

namespace jbutton {

// Low byte of a button's style word.
enum : unsigned {
  LAYOUT_IMAGE_TEXT = 1,  // image at one side, caption beside it
  LAYOUT_IMAGE = 2,       // image only, caption centred over it
  LAYOUT_TEXT = 4,        // caption with a 30-pixel margin
  LAYOUT_MASK = 0xFF,
  STYLE_TOGGLE = 0x100,   // a press inverts the checked state
};

// Colours as 0x00BBGGRR (the layout of a Win32 COLORREF).
constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
  return static_cast<std::uint32_t>(r | (g << 8) | (b << 16));
}
constexpr std::uint32_t kTextNormal = Rgb(0x3C, 0x3C, 0x3C);
constexpr std::uint32_t kTextHover = Rgb(0x14, 0x60, 0xB2);
constexpr std::uint32_t kTextDisabled = Rgb(0xB2, 0xB2, 0xB2);
constexpr std::uint32_t kDefaultPressedText = Rgb(0x3C, 0x3C, 0x3C);
constexpr std::uint32_t kDefaultBackground = Rgb(0xFF, 0xFF, 0xFF);

// Index into the four state images: normal, hover, pressed, disabled.
enum ImageIndex { IMAGE_NORMAL = 0, IMAGE_HOVER = 1, IMAGE_PRESSED = 2, IMAGE_DISABLED = 3 };

struct Look {
  int image;
  std::uint32_t textColour;
};

// Disabled wins over pressed/checked, which win over hover, which wins over normal.
inline Look ChooseLook(bool disabled, bool pressed, bool checked, bool hover,
                       std::uint32_t pressedText) {
  if (disabled) return {IMAGE_DISABLED, kTextDisabled};
  if (pressed || checked) return {IMAGE_PRESSED, pressedText};
  if (hover) return {IMAGE_HOVER, kTextHover};
  return {IMAGE_NORMAL, kTextNormal};
}

struct Box {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Box& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct Geometry {
  Box button;  // the whole button, at (0, 0)
  Box text;    // where the caption is drawn
  Box image;   // where the state image is drawn
};

// Sizes a button from its measured caption and its image. Styles whose layout is not
// one of the three known ones are sized like an image-only button.
inline Geometry ComputeGeometry(unsigned style, int textWidth, int textHeight, int imageWidth,
                                int height, bool imageAtRight) {
  Geometry g{};
  unsigned layout = style & LAYOUT_MASK;
  int w, h;
  if (layout == LAYOUT_IMAGE_TEXT) {
    w = textWidth + imageWidth;
    h = std::max(height, textHeight);
  } else if (layout == LAYOUT_TEXT) {
    w = textWidth + 30;
    h = height;
  } else {
    w = imageWidth;
    h = height;
  }
  g.button = {0, 0, w, h};
  if (layout == LAYOUT_IMAGE_TEXT) {
    // The caption takes the side that the image leaves free.
    g.text = imageAtRight ? Box{0, 0, w - imageWidth, h} : Box{imageWidth, 0, w, h};
  } else {
    g.text = g.button;
  }
  g.image = imageAtRight ? Box{w - imageWidth, 0, w, height} : Box{0, 0, imageWidth, height};
  return g;
}

}  // namespace jbutton
