// The main window's top strip laid out from the measured texts of a language.
#include <gtest/gtest.h>

#include "app/shell/toolbar_layout.h"

namespace {

bool Overlap(const ToolbarRect& a, const ToolbarRect& b) {
  return a.x < b.Right() && b.x < a.Right() && a.y < b.y + b.h && b.y < a.y + a.h;
}

TEST(ToolbarLayout, ShortTextsKeepTheStripAndTheLabelWhereTheyStand) {
  ToolbarTexts t;
  t.adaptersLabel = 100;
  t.adapterItems = 100;
  t.modeItems = 80;
  t.account = 50;
  t.password = 60;
  const ToolbarLayout l = ComputeToolbarLayout(t);
  EXPECT_EQ(l.strip, (ToolbarRect{265, 0, 511, 23}));
  EXPECT_EQ(l.adaptersLabel, (ToolbarRect{420, 5, 100, 14}));
  // The lists stand inside the strip (their 1-px frames on its edges), the search mode at
  // its right end, the adapter list between the label and it, taking what is left.
  EXPECT_EQ(l.mode, (ToolbarRect{776 - 6 - 100, 1, 100, 21}));
  EXPECT_EQ(l.adapters, (ToolbarRect{420 + 100 + 6, 1, 670 - 8 - 526, 21}));
  // The login labels right of the strip, the fields beside the wider one.
  EXPECT_EQ(l.accountLabel, (ToolbarRect{785, 2, 50, 14}));  // centred on its field
  EXPECT_EQ(l.passwordLabel, (ToolbarRect{785, 19, 60, 14}));
  EXPECT_EQ(l.account, (ToolbarRect{785 + 60 + 6, 1, 145, 16}));
  EXPECT_EQ(l.password, (ToolbarRect{851, 18, 145, 16}));

  // Wider texts: the label moves left to make room, the strip stays as it is.
  t.adaptersLabel = 120;
  t.adapterItems = 150;
  t.modeItems = 100;
  const ToolbarLayout m = ComputeToolbarLayout(t);
  EXPECT_EQ(m.strip, (ToolbarRect{265, 0, 511, 23}));
  EXPECT_EQ(m.adaptersLabel.x, 770 - (120 + 6 + 170 + 8 + 120));
}

// Long texts (Polish search modes, a Russian account label...) move the label left, then
// widen the strip; the login block follows it; nothing overlaps and every text fits.
TEST(ToolbarLayout, LongTextsNeverOverlap) {
  for (int label : {110, 160, 260})
    for (int mode : {90, 160, 240})
      for (int account : {50, 95, 140}) {
        ToolbarTexts t;
        t.adaptersLabel = label;
        t.adapterItems = 150;
        t.modeItems = mode;
        t.account = account;
        t.password = 60;
        const ToolbarLayout l = ComputeToolbarLayout(t);
        SCOPED_TRACE(testing::Message() << label << " " << mode << " " << account);
        EXPECT_EQ(l.strip.x, 265);
        EXPECT_GE(l.strip.w, 511);
        EXPECT_GE(l.adaptersLabel.x, 271);
        EXPECT_LE(l.adaptersLabel.x, 420);
        EXPECT_GE(l.adapters.w, 150 + kComboFaceExtra);
        EXPECT_EQ(l.mode.w, mode + kComboFaceExtra);
        EXPECT_LE(l.mode.Right(), l.strip.Right() - 6);
        EXPECT_FALSE(Overlap(l.adaptersLabel, l.adapters));
        EXPECT_FALSE(Overlap(l.adapters, l.mode));
        EXPECT_GT(l.accountLabel.x, l.strip.Right());
        EXPECT_GE(l.account.x, l.accountLabel.x + account);
        EXPECT_GE(l.password.x, l.passwordLabel.x + 60);
        EXPECT_GE(l.account.w, 100);
      }
}

}  // namespace
