// What the main frame makes of a toolbar resource it cannot load.
#include "window/main_frame.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

constexpr int kNoSuchToolBar = kIdrMainFrame + 1;

TEST(CMainFrameOnCreate, UnloadableToolBarStopsBeforeTheStatusBar) {
  CMainFrame frame(kNoSuchToolBar);

  EXPECT_EQ(frame.OnCreate(), -1);
  EXPECT_TRUE(frame.toolBar.buttons.empty());
  EXPECT_FALSE(frame.statusBar.created);
  EXPECT_FALSE(frame.progressDialog.created);
}

TEST(CMainFrameLoadFrame, FrameWithAnUnloadableToolBarIsNotCreated) {
  CMainFrame frame(kNoSuchToolBar);

  EXPECT_FALSE(frame.LoadFrame(kIdrMainFrame));
  EXPECT_FALSE(frame.created);
  EXPECT_FALSE(frame.IsWindowVisible());
}

TEST(CMainFrameLoadFrame, SecondCreationFailsAndKeepsTheFrame) {
  CMainFrame frame;
  ASSERT_TRUE(frame.LoadFrame(kIdrMainFrame));

  EXPECT_FALSE(frame.LoadFrame(kIdrMainFrame));
  EXPECT_TRUE(frame.created);
  EXPECT_EQ(frame.toolBar.buttons.size(), 7u);
}

}  // namespace
}  // namespace quillery
