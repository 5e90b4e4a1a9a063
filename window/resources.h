// The main window's resources as data: ids, strings, the toolbar and the
// progress dialog. Resource 128 is shared by the frame and the document
// template; the dialog is resource 133.
#ifndef QUILLERY_WINDOW_RESOURCES_H_
#define QUILLERY_WINDOW_RESOURCES_H_

#include <string_view>
#include <vector>

namespace quillery {

constexpr int kIdrMainFrame = 128;
constexpr int kIddProgress = 133;

// Controls of the progress dialog. The group box has no id of its own.
constexpr int kIdcStatic = -1;
constexpr int kIdcProgressBar = 1030;
constexpr int kIdcConvertingLabel = 1031;
constexpr int kIdcItemLabel = 1032;
constexpr int kIdProgressOk = 3;
constexpr int kIdProgressCancel = 4;

// Commands: the framework's standard ones and the two of our own toolbar.
constexpr int kIdSeparator = 0;
constexpr int kIdFileSave = 57603;
constexpr int kIdFilePrint = 57607;
constexpr int kIdAppAbout = 57664;
constexpr int kIdToolbarTocFormat = 32774;
constexpr int kIdToolbarOptions = 32777;

// Status bar panes after the message pane, and the message pane's idle text.
constexpr int kIdIndicatorCaps = 59137;
constexpr int kIdIndicatorNum = 59138;
constexpr int kIdIndicatorScrl = 59139;
constexpr int kAfxIdsIdleMessage = 57345;

// The document string of resource 128; its first line is the window title.
constexpr std::string_view kMainFrameDocString =
    "Quillery\n\nQuillery\n\n\nQuillery.Document\nQuillery.Document";

// The string resource `id`: a document string, a toolbar button's prompt
// ("status text\ntooltip") or the idle text. Empty when there is none.
[[nodiscard]] std::string_view LoadResourceString(int id);

// A toolbar: the size of its buttons in pixels and its items left to right,
// kIdSeparator standing for a gap.
struct ToolBarResource {
  int id;
  int buttonWidth;
  int buttonHeight;
  std::vector<int> items;
};

// The toolbar resource `id`, or null when there is none.
[[nodiscard]] const ToolBarResource* FindToolBarResource(int id);

enum class ControlKind {
  kGroupBox,
  kLabel,
  kProgressBar,
  kPushButton,
  kDefaultPushButton,
};

struct DialogControl {
  int id;
  ControlKind kind;
  std::string_view text;
  bool visible;
};

// A dialog: caption, font, size in dialog units, whether it is shown once
// created, and its controls in creation order.
struct DialogResource {
  int id;
  std::string_view caption;
  std::string_view fontName;
  int fontSize;
  int width;
  int height;
  bool visible;
  std::vector<DialogControl> controls;
};

// The dialog resource `id`, or null when there is none.
[[nodiscard]] const DialogResource* FindDialogResource(int id);

}  // namespace quillery

#endif  // QUILLERY_WINDOW_RESOURCES_H_
