// Our window model: records of what each window of the framework would hold,
// so start-up can build the main window and tests can read its state. Nothing
// is drawn and no message is ever sent; a "created" window is one whose record
// has been filled in. Windows are not copied: children point at their parent.
#ifndef QUILLERY_WINDOW_WIDGETS_H_
#define QUILLERY_WINDOW_WIDGETS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillery {

using WindowStyle = std::uint32_t;

constexpr WindowStyle kWsChild = 0x40000000;
constexpr WindowStyle kWsVisible = 0x10000000;
constexpr WindowStyle kWsOverlappedWindow = 0x00CF0000;

// Control bar styles: the sides a bar is placed at or may dock at.
constexpr WindowStyle kCbrsAlignLeft = 0x1000;
constexpr WindowStyle kCbrsAlignTop = 0x2000;
constexpr WindowStyle kCbrsAlignRight = 0x4000;
constexpr WindowStyle kCbrsAlignBottom = 0x8000;
constexpr WindowStyle kCbrsAlignAny = 0xF000;
constexpr WindowStyle kCbrsBorderTop = 0x0200;
constexpr WindowStyle kCbrsBorderBottom = 0x0800;
constexpr WindowStyle kCbrsTop = kCbrsAlignTop | kCbrsBorderBottom;
constexpr WindowStyle kCbrsBottom = kCbrsAlignBottom | kCbrsBorderTop;
constexpr WindowStyle kCbrsTooltips = 0x0010;
constexpr WindowStyle kCbrsFlyby = 0x0020;
constexpr WindowStyle kCbrsSizeDynamic = 0x0040;
constexpr WindowStyle kCbrsGripper = 0x00400000;

// Toolbar control style: buttons without a raised edge.
constexpr std::uint32_t kTbstyleFlat = 0x0800;

// Child window ids the frame gives its bars and its view.
constexpr int kAfxIdwToolbar = 0xE800;
constexpr int kAfxIdwStatusBar = 0xE801;
constexpr int kAfxIdwPaneFirst = 0xE900;

struct CWnd {
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd() = default;

  // Fills in the record of a window created as a child of `parentWnd`.
  void MarkCreated(const CWnd* parentWnd, WindowStyle windowStyle,
                   int windowId);
  // Sets or clears kWsVisible.
  void ShowWindow(bool show);
  // True when the window, and every window it sits in, is created and has
  // kWsVisible.
  [[nodiscard]] bool IsWindowVisible() const;

  int id = 0;
  WindowStyle style = 0;
  bool created = false;
  // Pixels for frames, dialog units for dialogs; 0 where nobody set it.
  int width = 0;
  int height = 0;
  // Title, caption or label.
  std::string text;
  const CWnd* parent = nullptr;
};

struct CStatic : CWnd {};
struct CButton : CWnd {};

// A progress bar. Its position always lies within its range.
class CProgressCtrl : public CWnd {
 public:
  struct Range {
    int lower;
    int upper;
  };

  // The progress bar messages. A position outside the range is moved to its
  // nearer end; a new range moves the position into it the same way.
  void SetRange(int lower, int upper);
  void SetPos(int pos);
  [[nodiscard]] Range GetRange() const { return {lower_, upper_}; }
  [[nodiscard]] int GetPos() const { return pos_; }

 private:
  int lower_ = 0;
  int upper_ = 100;
  int pos_ = 0;
};

struct CControlBar : CWnd {
  // The sides the bar may dock at (kCbrsAlign* bits).
  void EnableDocking(WindowStyle alignment) {
    dockStyle = alignment & kCbrsAlignAny;
  }

  WindowStyle dockStyle = 0;
  // The one kCbrsAlign* side the bar is docked at; 0 while it is not docked.
  WindowStyle dockedAt = 0;
};

struct CToolBar : CControlBar {
  // Creates the bar window; false when it exists already.
  bool CreateEx(const CWnd* parentWnd, std::uint32_t toolBarStyle,
                WindowStyle windowStyle, int windowId);
  // Takes the buttons of toolbar resource `resourceId`. False, leaving the bar
  // without buttons, when the bar is not created or there is no such resource.
  bool LoadToolBar(int resourceId);

  std::uint32_t controlStyle = 0;
  int buttonWidth = 0;
  int buttonHeight = 0;
  // Command ids left to right; kIdSeparator for a gap.
  std::vector<int> buttons;
};

struct StatusPane {
  int id;
  std::string text;
};

struct CStatusBar : CControlBar {
  // Creates the bar window; false when it exists already.
  bool Create(const CWnd* parentWnd, WindowStyle windowStyle, int windowId);
  // One pane per id. The message pane (kIdSeparator) shows the idle text; the
  // key indicator panes stay blank, since only idle processing, which never
  // runs, would look at the keys. False when the bar is not created.
  bool SetIndicators(const std::vector<int>& indicatorIds);

  std::vector<StatusPane> panes;
};

// A dialog made from a dialog resource, with one child window per control.
class CDialog : public CWnd {
 public:
  // Creates the dialog modelessly, shown only if its resource says so, then
  // binds the controls (DoDataExchange). False, creating nothing, when there
  // is no dialog resource `templateId` or the dialog exists already.
  bool Create(int templateId, const CWnd* parentWnd);
  // The control with `controlId`, or null.
  [[nodiscard]] CWnd* GetDlgItem(int controlId) const;

 protected:
  virtual void DoDataExchange() {}

  // The control with `controlId` as a `Control`, or null when there is no
  // such control or it is of another kind.
  template <typename Control>
  Control* BindControl(int controlId) const {
    return dynamic_cast<Control*>(GetDlgItem(controlId));
  }

 private:
  std::vector<std::unique_ptr<CWnd>> controls_;
};

// What a frame asks the system for before it exists; PreCreateWindow may
// change it. A size of 0 leaves the choice to the system.
struct CreateStruct {
  WindowStyle style = 0;
  int cx = 0;
  int cy = 0;
};

class CFrameWnd : public CWnd {
 public:
  // Creates the frame, hidden: the title is the first line of the document
  // string of `resourceId` (empty when there is none), then PreCreateWindow
  // and OnCreate run. False, and the frame not created, when PreCreateWindow
  // refuses or OnCreate returns -1; false, changing nothing, when the frame
  // exists already.
  bool LoadFrame(int resourceId);

  // Sets the overlapped window style. Returns false to stop the creation.
  virtual bool PreCreateWindow(CreateStruct& cs);
  // Runs once the frame exists; -1 destroys it again.
  virtual int OnCreate() { return 0; }

  // The sides at which the frame takes docked bars (kCbrsAlign* bits).
  void EnableDocking(WindowStyle alignment) {
    dockStyle = alignment & kCbrsAlignAny;
  }
  // Docks `bar` at the first of top, bottom, left, right that its own style
  // names and both it and the frame allow; otherwise it stays undocked.
  void DockControlBar(CControlBar& bar) const;

  WindowStyle dockStyle = 0;
};

}  // namespace quillery

#endif  // QUILLERY_WINDOW_WIDGETS_H_
