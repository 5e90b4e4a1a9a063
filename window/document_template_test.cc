// The main window as the new-document and open commands leave it.
#include "window/document_template.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace quillery {
namespace {

constexpr char kProgramFolder[] = "\\opt\\quillery";

// A fresh directory, removed with everything in it when the test ends.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillery-window-XXXXXX")
            .string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScopedTempDir() {
    if (!path_.empty()) std::filesystem::remove_all(path_);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class OpenDocumentFile : public testing::Test {
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
  std::vector<int> ids;
  std::vector<std::string> texts;
  for (const StatusPane& pane : statusBar.panes) {
    ids.push_back(pane.id);
    texts.push_back(pane.text);
  }
  EXPECT_EQ(ids, (std::vector<int>{kIdSeparator, kIdIndicatorCaps,
                                   kIdIndicatorNum, kIdIndicatorScrl}));
  EXPECT_EQ(texts, (std::vector<std::string>{"Ready", "", "", ""}));
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
  ASSERT_NE(docTemplate.frame(), nullptr);
  EXPECT_TRUE(docTemplate.frame()->created);
  EXPECT_FALSE(docTemplate.frame()->IsWindowVisible());
  EXPECT_FALSE(docTemplate.view()->IsWindowVisible());
}

TEST_F(OpenDocumentFile, ReadableFileOpensAndTheViewStillShowsTheStartPage) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string path = folder.path() + "/doc.htm";
  WriteFileAtomically(InternalPath(path), "<html></html>");

  ASSERT_TRUE(docTemplate.OpenDocumentFile(path, /*makeVisible=*/true));
  EXPECT_TRUE(docTemplate.frame()->IsWindowVisible());
  EXPECT_EQ(docTemplate.view()->navigationTarget(),
            "\\opt\\quillery\\initial.htm");
}

TEST_F(OpenDocumentFile, MissingFileFailsAndLeavesNoWindow) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());

  EXPECT_FALSE(docTemplate.OpenDocumentFile(folder.path() + "/missing.htm",
                                            /*makeVisible=*/true));
  EXPECT_EQ(docTemplate.document(), nullptr);
  EXPECT_EQ(docTemplate.frame(), nullptr);
  EXPECT_EQ(docTemplate.view(), nullptr);
}

TEST_F(OpenDocumentFile, FailureKeepsTheWindowOfAnEarlierCall) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  ASSERT_TRUE(docTemplate.OpenDocumentFile("", /*makeVisible=*/true));
  const CMainFrame* frame = docTemplate.frame();

  EXPECT_FALSE(docTemplate.OpenDocumentFile(folder.path() + "/missing.htm",
                                            /*makeVisible=*/true));
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
