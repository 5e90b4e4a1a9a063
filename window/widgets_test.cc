// The window model's rules that the main window relies on.
#include "window/widgets.h"

#include <gtest/gtest.h>

#include <vector>

#include "window/resources.h"

namespace quillery {
namespace {

TEST(DockControlBar, DocksAtTheBarsOwnSideWhenBothAllowIt) {
  struct Case {
    const char* name;
    WindowStyle barStyle;
    WindowStyle barDocking;
    WindowStyle frameDocking;
    WindowStyle expected;
  };
  const std::vector<Case> cases = {
      {"bottom bar, any side", kCbrsBottom, kCbrsAlignAny, kCbrsAlignAny,
       kCbrsAlignBottom},
      {"bar docking not enabled", kCbrsTop, 0, kCbrsAlignAny, 0},
      {"frame docking not enabled", kCbrsTop, kCbrsAlignAny, 0, 0},
      {"frame takes only the left", kCbrsTop, kCbrsAlignAny, kCbrsAlignLeft, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CFrameWnd frame;
    CToolBar bar;
    ASSERT_TRUE(bar.CreateEx(&frame, 0, kWsChild | c.barStyle, 1));
    bar.EnableDocking(c.barDocking);
    frame.EnableDocking(c.frameDocking);
    frame.DockControlBar(bar);
    EXPECT_EQ(bar.dockedAt, c.expected);
  }
}

TEST(CProgressCtrl, PositionStaysWithinTheRange) {
  CProgressCtrl bar;
  bar.SetRange(10, 20);
  EXPECT_EQ(bar.GetPos(), 10);
  bar.SetPos(25);
  EXPECT_EQ(bar.GetPos(), 20);
  bar.SetPos(15);
  EXPECT_EQ(bar.GetPos(), 15);
  bar.SetRange(0, 5);
  EXPECT_EQ(bar.GetPos(), 5);
  bar.SetPos(-3);
  EXPECT_EQ(bar.GetPos(), 0);
}

TEST(LoadToolBar, FailsForAnUnknownResourceOrAnUncreatedBar) {
  CToolBar uncreated;
  EXPECT_FALSE(uncreated.LoadToolBar(kIdrMainFrame));

  CToolBar bar;
  ASSERT_TRUE(bar.CreateEx(nullptr, kTbstyleFlat, kWsChild, kAfxIdwToolbar));
  EXPECT_FALSE(bar.LoadToolBar(kIdrMainFrame + 1));
  EXPECT_TRUE(bar.buttons.empty());
  EXPECT_EQ(bar.buttonWidth, 0);
}

TEST(SetIndicators, FailsBeforeTheBarIsCreated) {
  CStatusBar bar;
  EXPECT_FALSE(bar.SetIndicators({kIdSeparator}));
  EXPECT_TRUE(bar.panes.empty());
}

TEST(CDialogCreate, MakesEveryControlOfTheResourceAndNothingForAnUnknownOne) {
  CDialog unknown;
  EXPECT_FALSE(unknown.Create(kIddProgress + 1, nullptr));
  EXPECT_FALSE(unknown.created);

  CDialog dialog;
  ASSERT_TRUE(dialog.Create(kIddProgress, nullptr));
  EXPECT_EQ(dialog.width, 198);
  EXPECT_EQ(dialog.height, 103);
  const CWnd* cancel = dialog.GetDlgItem(kIdProgressCancel);
  const CWnd* ok = dialog.GetDlgItem(kIdProgressOk);
  ASSERT_NE(cancel, nullptr);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(cancel->text, "Cancel");
  EXPECT_EQ(ok->text, "OK");
  EXPECT_EQ(cancel->style & kWsVisible, kWsVisible);
  EXPECT_EQ(ok->style & kWsVisible, 0u);
  EXPECT_EQ(dialog.GetDlgItem(kIdcStatic)->text, "Conversion In Progress");
  EXPECT_FALSE(dialog.Create(kIddProgress, nullptr));
}

}  // namespace
}  // namespace quillery
