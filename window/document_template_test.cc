// The main window as the new-document and open commands leave it.
#include "window/document_template.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

constexpr char kProgramFolder[] = "\\opt\\quillery";

class OpenDocumentFile : public ::testing::Test {
 protected:
  CSingleDocTemplate docTemplate{kIdrMainFrame, kProgramFolder};
};

TEST_F(OpenDocumentFile, NewDocumentShowsA600By630Frame) {
  ASSERT_TRUE(docTemplate.OpenDocumentFile("", /*makeVisible=*/true));
  ASSERT_NE(docTemplate.document(), nullptr);
  const CMainFrame* frame = docTemplate.frame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->text, "Quillery");
  EXPECT_EQ(frame->width, 600);
  EXPECT_EQ(frame->height, 630);
  EXPECT_TRUE(frame->IsWindowVisible());
  const CQuilleryView* view = docTemplate.view();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->parent, frame);
  EXPECT_TRUE(view->IsWindowVisible());
  EXPECT_EQ(view->navigationTarget(), "\\opt\\quillery\\initial.htm");
}

TEST_F(OpenDocumentFile, ToolBarIsDockedAtTheTopWithItsSevenButtons) {
  ASSERT_TRUE(docTemplate.OpenDocumentFile("", /*makeVisible=*/true));
  const CToolBar& toolBar = docTemplate.frame()->toolBar;
  EXPECT_TRUE(toolBar.IsWindowVisible());
  EXPECT_EQ(toolBar.parent, docTemplate.frame());
  EXPECT_EQ(toolBar.dockedAt, kCbrsAlignTop);
  EXPECT_EQ(toolBar.controlStyle, kTbstyleFlat);
  EXPECT_EQ(toolBar.buttonWidth, 16);
  EXPECT_EQ(toolBar.buttonHeight, 15);
  EXPECT_EQ(toolBar.buttons,
            (std::vector<int>{57603, 57607, 0, 32777, 32774, 0, 57664}));
}

TEST_F(OpenDocumentFile, StatusBarHasFourPanesAndSaysReady) {
  ASSERT_TRUE(docTemplate.OpenDocumentFile("", /*makeVisible=*/true));
  const CStatusBar& statusBar = docTemplate.frame()->statusBar;
  EXPECT_TRUE(statusBar.IsWindowVisible());
  EXPECT_EQ(statusBar.style & kCbrsAlignAny, kCbrsAlignBottom);
  std::vector<std::pair<int, std::string>> panes;
  for (const StatusPane& pane : statusBar.panes) {
    panes.emplace_back(pane.id, pane.text);
  }
  EXPECT_EQ(panes,
            (std::vector<std::pair<int, std::string>>{{kIdSeparator, "Ready"},
                                                      {kIdIndicatorCaps, ""},
                                                      {kIdIndicatorNum, ""},
                                                      {kIdIndicatorScrl, ""}}));
}

TEST_F(OpenDocumentFile, ProgressDialogExistsHiddenWithItsBarAtZero) {
  ASSERT_TRUE(docTemplate.OpenDocumentFile("", /*makeVisible=*/true));
  const CProgressDialog& dialog = docTemplate.frame()->progressDialog;
  EXPECT_TRUE(dialog.created);
  EXPECT_FALSE(dialog.IsWindowVisible());
  EXPECT_EQ(dialog.parent, docTemplate.frame());
  EXPECT_EQ(dialog.text, "Progress");
  ASSERT_NE(dialog.convertingLabel(), nullptr);
  ASSERT_NE(dialog.itemLabel(), nullptr);
  ASSERT_NE(dialog.progressBar(), nullptr);
  EXPECT_EQ(dialog.convertingLabel()->text, "Converting ");
  EXPECT_EQ(dialog.itemLabel()->text, "Item 0/10");
  EXPECT_EQ(dialog.progressBar()->GetPos(), 0);
  EXPECT_EQ(dialog.progressBar()->GetRange().lower, 0);
  EXPECT_EQ(dialog.progressBar()->GetRange().upper, 100);
}

TEST_F(OpenDocumentFile, WithoutMakeVisibleTheFrameIsCreatedHidden) {
  ASSERT_TRUE(docTemplate.OpenDocumentFile("", /*makeVisible=*/false));
  EXPECT_TRUE(docTemplate.frame()->created);
  EXPECT_FALSE(docTemplate.frame()->IsWindowVisible());
  EXPECT_FALSE(docTemplate.view()->IsWindowVisible());
}

TEST_F(OpenDocumentFile, ReadableFileOpensAndTheViewStillShowsTheStartPage) {
  testing::ScopedTempDir dir;
  testing::WriteBytes(dir.File("doc.htm"), "<html></html>");
  ASSERT_TRUE(docTemplate.OpenDocumentFile(dir.File("doc.htm"),
                                           /*makeVisible=*/true));
  EXPECT_TRUE(docTemplate.frame()->IsWindowVisible());
  EXPECT_EQ(docTemplate.view()->navigationTarget(),
            "\\opt\\quillery\\initial.htm");
}

TEST_F(OpenDocumentFile, FailureKeepsWhatAnEarlierCallMade) {
  testing::ScopedTempDir dir;
  const std::string missing = dir.File("missing.htm");
  EXPECT_FALSE(docTemplate.OpenDocumentFile(missing, /*makeVisible=*/true));
  EXPECT_EQ(docTemplate.document(), nullptr);
  EXPECT_EQ(docTemplate.frame(), nullptr);
  EXPECT_EQ(docTemplate.view(), nullptr);

  ASSERT_TRUE(docTemplate.OpenDocumentFile("", /*makeVisible=*/true));
  const CMainFrame* frame = docTemplate.frame();
  EXPECT_FALSE(docTemplate.OpenDocumentFile(missing, /*makeVisible=*/true));
  EXPECT_EQ(docTemplate.frame(), frame);
  EXPECT_TRUE(frame->IsWindowVisible());
}

TEST(OpenDocumentFileWithoutToolBar, FailsAndLeavesNoWindow) {
  CSingleDocTemplate docTemplate(kIdrMainFrame + 1, kProgramFolder);
  EXPECT_FALSE(docTemplate.OpenDocumentFile("", /*makeVisible=*/true));
  EXPECT_EQ(docTemplate.document(), nullptr);
  EXPECT_EQ(docTemplate.frame(), nullptr);
  EXPECT_EQ(docTemplate.view(), nullptr);
}

}  // namespace
}  // namespace quillery
