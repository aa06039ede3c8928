// Layout and state rules of the skinned controls that do not need a window.
#include <gtest/gtest.h>

#include <thread>

#include "kit/gif_clock.h"
#include "kit/jbutton_look.h"
#include "kit/jcombobox_rows.h"
#include "kit/jmessagebox_layout.h"
#include "kit/jmessagebox_lines.h"
#include "kit/jtabctrl_images.h"

using jbutton::Box;

TEST(ButtonLook, PrecedenceDisabledCheckedHoverNormal) {
  const std::uint32_t white = jbutton::Rgb(255, 255, 255);
  struct Case {
    bool disabled, pressed, checked, hover;
    int image;
    std::uint32_t colour;
  } cases[] = {
      {false, false, false, false, jbutton::IMAGE_NORMAL, jbutton::kTextNormal},
      {false, false, false, true, jbutton::IMAGE_HOVER, jbutton::kTextHover},
      {false, false, true, true, jbutton::IMAGE_PRESSED, white},
      {false, true, false, true, jbutton::IMAGE_PRESSED, white},
      {true, false, true, true, jbutton::IMAGE_DISABLED, jbutton::kTextDisabled},
      {true, true, false, false, jbutton::IMAGE_DISABLED, jbutton::kTextDisabled},
  };
  for (const auto& c : cases) {
    auto look = jbutton::ChooseLook(c.disabled, c.pressed, c.checked, c.hover, white);
    EXPECT_EQ(look.image, c.image) << c.disabled << c.pressed << c.checked << c.hover;
    EXPECT_EQ(look.textColour, c.colour) << c.disabled << c.pressed << c.checked << c.hover;
  }
}

TEST(ButtonGeometry, EachLayout) {
  // Caption 40 x 16, image 14 wide, height 12 (image+text grows to the text height).
  auto g1 = jbutton::ComputeGeometry(1, 40, 16, 14, 12, false);
  EXPECT_EQ(g1.button, (Box{0, 0, 54, 16}));
  EXPECT_EQ(g1.text, (Box{14, 0, 54, 16}));
  EXPECT_EQ(g1.image, (Box{0, 0, 14, 12}));
  // Image at the right: the caption keeps to the left, clear of the image.
  auto g1r = jbutton::ComputeGeometry(1, 40, 16, 14, 20, true);
  EXPECT_EQ(g1r.button, (Box{0, 0, 54, 20}));
  EXPECT_EQ(g1r.image, (Box{40, 0, 54, 20}));
  EXPECT_EQ(g1r.text, (Box{0, 0, 40, 20}));

  auto g2 = jbutton::ComputeGeometry(0x102, 40, 16, 14, 14, false);
  EXPECT_EQ(g2.button, (Box{0, 0, 14, 14}));
  EXPECT_EQ(g2.text, g2.button);

  auto g4 = jbutton::ComputeGeometry(4, 40, 16, 512, 25, false);
  EXPECT_EQ(g4.button, (Box{0, 0, 70, 25}));
  EXPECT_EQ(g4.text, g4.button);
  EXPECT_EQ(g4.image, (Box{0, 0, 512, 25}));
}

TEST(ComboRows, FirstMiddleLastAndSingle) {
  using jcombo::Box;
  struct Case {
    int index, count;
    Box fill;
  } cases[] = {
      {0, 3, {1, 1, 99, 20}},   // first: top line kept
      {1, 3, {1, 0, 99, 20}},   // middle: only the sides
      {2, 3, {1, 0, 99, 19}},   // last: bottom line kept
      {0, 1, {1, 0, 99, 19}},   // a single row is the last row
  };
  for (const auto& c : cases) {
    auto r = jcombo::ComputeRowBoxes(c.index, c.count, 100, 20);
    EXPECT_EQ(r.frame, (Box{0, 0, 100, 20}));
    EXPECT_EQ(r.fill, c.fill) << c.index << "/" << c.count;
    EXPECT_EQ(r.text.left, c.fill.left + 5);
  }
  EXPECT_EQ(jcombo::ComputeArrowBox({10, 20, 110, 41}), (Box{101, 27, 110, 33}));
}

TEST(TabImages, DependOnLeftNeighbour) {
  EXPECT_EQ(jtab::ImagesFor(0, 0), jtab::kFirstTab);
  EXPECT_EQ(jtab::ImagesFor(0, 2), jtab::kFirstTab);
  EXPECT_EQ(jtab::ImagesFor(1, 0), jtab::kRightOfSelected);
  EXPECT_EQ(jtab::ImagesFor(2, 0), jtab::kOrdinaryTab);
  EXPECT_EQ(jtab::ImagesFor(3, 2), jtab::kRightOfSelected);
  EXPECT_EQ(jtab::ImagesFor(1, -1), jtab::kOrdinaryTab);
  EXPECT_EQ(jtab::EndPieceFor(true), 357u);
  EXPECT_EQ(jtab::EndPieceFor(false), 356u);
}

TEST(MessageBoxLayout, SizesAndButtonsPerType) {
  // Narrow text: minimum width 180, centre 90.
  auto t0 = jmsgbox::ComputeLayout(0, 0, 0, 0);
  EXPECT_EQ(t0.clientWidth, 180);
  EXPECT_EQ(t0.clientHeight, 70);
  EXPECT_EQ(t0.windowWidth, 186);
  EXPECT_EQ(t0.windowHeight, 98);
  EXPECT_TRUE(t0.showOk);
  EXPECT_FALSE(t0.showCancel || t0.showStop || t0.waitBox);
  EXPECT_EQ(t0.ok, (jmsgbox::Point{53, 30}));

  auto t1 = jmsgbox::ComputeLayout(1, 250, 32, 0);
  EXPECT_EQ(t1.clientWidth, 300);
  EXPECT_EQ(t1.clientHeight, 102);
  EXPECT_EQ(t1.ok, (jmsgbox::Point{70, 62}));
  EXPECT_EQ(t1.cancel, (jmsgbox::Point{155, 62}));
  EXPECT_FALSE(t1.waitBox);

  auto t2 = jmsgbox::ComputeLayout(2, 200, 16, 0);
  EXPECT_FALSE(t2.showOk || t2.showCancel || t2.showStop);
  EXPECT_TRUE(t2.waitBox);
  EXPECT_EQ(t2.animation, (jmsgbox::Point{115, 53}));

  auto t3 = jmsgbox::ComputeLayout(3, 200, 16, 4);
  EXPECT_EQ(t3.clientHeight, 16 + 70 + 60);
  EXPECT_EQ(t3.windowHeight, 146 + 28 + 40);
  EXPECT_TRUE(t3.showStop && t3.waitBox);
  EXPECT_EQ(t3.stop, (jmsgbox::Point{85, 141}));
  EXPECT_EQ(t3.animation, (jmsgbox::Point{115, 30}));
  EXPECT_EQ(jmsgbox::LineBox(t3, 2), (jmsgbox::Box{20, 90, 230, 105}));
}

// A stop caption wider than the usual button widens the button, centred, and the box when
// the button would not fit it; other boxes have no stop button to widen.
TEST(MessageBoxLayout, StopButtonAsWideAsItsCaptionNeeds) {
  struct Case {
    int need, width, clientWidth, x;
  } cases[] = {{0, 75, 250, 85}, {60, 75, 250, 85}, {150, 150, 250, 48}, {250, 250, 295, 20}};
  for (const Case& c : cases) {
    const auto l = jmsgbox::ComputeLayout(3, 200, 16, 2, 0, c.need);
    EXPECT_EQ(l.stopWidth, c.width) << c.need;
    EXPECT_EQ(l.clientWidth, c.clientWidth) << c.need;
    EXPECT_EQ(l.stop.x, c.x) << c.need;
    EXPECT_GE(l.stop.x, 20) << c.need;
    EXPECT_LE(l.stop.x + l.stopWidth, l.clientWidth - 20) << c.need;
  }
  EXPECT_EQ(jmsgbox::ComputeLayout(2, 200, 16, 2, 0, 250).clientWidth, 250);
}

TEST(MessageBoxLayout, LinesClampedToThoseThatExist) {
  // A wait box with live lines is as wide as its widest line needs; other boxes ignore lines.
  auto wide = jmsgbox::ComputeLayout(3, 200, 16, 2, 300);
  EXPECT_EQ(wide.clientWidth, 340);
  EXPECT_EQ(jmsgbox::LineBox(wide, 1).right - jmsgbox::LineBox(wide, 1).left, 300);
  EXPECT_EQ(wide.stop.x, 340 / 2 - 40);
  EXPECT_EQ(jmsgbox::ComputeLayout(3, 200, 16, 2, 100).clientWidth, 250);
  EXPECT_EQ(jmsgbox::ComputeLayout(3, 200, 16, 0, 300).clientWidth, 250);
  EXPECT_EQ(jmsgbox::ComputeLayout(2, 200, 16, 2, 300).clientWidth, 250);
  EXPECT_EQ(jmsgbox::ComputeLayout(3, 10, 10, 25).lines, 10);
  EXPECT_EQ(jmsgbox::ComputeLayout(3, 10, 10, -3).lines, 0);
  EXPECT_EQ(jmsgbox::ComputeLayout(3, 10, 10, 25).clientHeight, 10 + 70 + 150);
  // An unknown type gets an OK button rather than a box nothing can close.
  EXPECT_TRUE(jmsgbox::ComputeLayout(7, 10, 10, 0).showOk);
}

TEST(MessageBoxLines, OutOfRangeIgnoredAndSharedSafely) {
  MessageBoxLines lines;
  lines.Set(-1, L"x");
  lines.Set(10, L"x");
  lines.Set(9, L"last");
  EXPECT_EQ(lines.Get(9), L"last");
  EXPECT_EQ(lines.Get(10), L"");
  EXPECT_EQ(lines.Get(-1), L"");
  // A reader never sees a torn text while a writer keeps rewriting the line.
  const std::wstring a(200, L'a'), b(300, L'b');
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) lines.Set(0, (i & 1) ? a : b);
  });
  bool whole = true;
  for (int i = 0; i < 20000; ++i) {
    std::wstring s = lines.Get(0);
    if (!(s.empty() || s == a || s == b)) whole = false;
  }
  writer.join();
  EXPECT_TRUE(whole);
}

TEST(GifClock, WrapsAndCopesWithMissingData) {
  GifClock clock(3, {5, 0});
  EXPECT_TRUE(clock.HasFrames());
  EXPECT_EQ(clock.Advance(), 1u);
  EXPECT_EQ(clock.Advance(), 2u);
  EXPECT_EQ(clock.Advance(), 0u);
  EXPECT_EQ(clock.DelayMs(0), 50);
  EXPECT_EQ(clock.DelayMs(1), GifClock::kMinDelayMs);  // a zero delay never spins the thread
  EXPECT_EQ(clock.DelayMs(2), GifClock::kDefaultDelayMs);  // beyond a short list

  GifClock none(0, {});
  EXPECT_FALSE(none.HasFrames());
  EXPECT_EQ(none.Advance(), 0u);  // no division by a zero frame count
  EXPECT_EQ(none.DelayMs(0), GifClock::kDefaultDelayMs);
  EXPECT_EQ(GifClock(1, {0xFFFFFFFFu}).DelayMs(0), INT_MAX);
  EXPECT_EQ(GifClock::kMinDelayMs, 10);
  EXPECT_EQ(GifClock(1, {1}).DelayMs(0), 10);
}

TEST(GifClock, ParsesRawDelayProperty) {
  const std::uint32_t raw[3] = {7, 8, 9};
  EXPECT_EQ(GifClock::ParseDelays(raw, sizeof raw), (std::vector<std::uint32_t>{7, 8, 9}));
  EXPECT_EQ(GifClock::ParseDelays(raw, 10), (std::vector<std::uint32_t>{7, 8}));
  EXPECT_TRUE(GifClock::ParseDelays(nullptr, 12).empty());
}
