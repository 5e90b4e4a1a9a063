// The window model's behaviour; see widgets.h.
#include "window/widgets.h"

#include <algorithm>
#include <string_view>

#include "text/bytes.h"
#include "window/resources.h"

namespace quillery {
namespace {

int MoveIntoRange(int pos, int lower, int upper) {
  return std::max(lower, std::min(pos, upper));
}

std::unique_ptr<CWnd> MakeControl(ControlKind kind) {
  switch (kind) {
    case ControlKind::kGroupBox:
    case ControlKind::kLabel:
      return std::make_unique<CStatic>();
    case ControlKind::kProgressBar:
      return std::make_unique<CProgressCtrl>();
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
      return std::make_unique<CButton>();
  }
  return std::make_unique<CWnd>();
}

}  // namespace

void CWnd::MarkCreated(const CWnd* parentWnd, WindowStyle windowStyle,
                       int windowId) {
  parent = parentWnd;
  style = windowStyle;
  id = windowId;
  created = true;
}

void CWnd::ShowWindow(bool show) {
  style = show ? style | kWsVisible : style & ~kWsVisible;
}

bool CWnd::IsWindowVisible() const {
  if (!created || (style & kWsVisible) == 0) return false;
  return parent == nullptr || parent->IsWindowVisible();
}

void CProgressCtrl::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  pos_ = MoveIntoRange(pos_, lower_, upper_);
}

void CProgressCtrl::SetPos(int pos) {
  pos_ = MoveIntoRange(pos, lower_, upper_);
}

bool CToolBar::CreateEx(const CWnd* parentWnd, std::uint32_t toolBarStyle,
                        WindowStyle windowStyle, int windowId) {
  if (created) return false;
  MarkCreated(parentWnd, windowStyle, windowId);
  controlStyle = toolBarStyle;
  return true;
}

bool CToolBar::LoadToolBar(int resourceId) {
  const ToolBarResource* resource = FindToolBarResource(resourceId);
  if (!created || resource == nullptr) return false;
  buttonWidth = resource->buttonWidth;
  buttonHeight = resource->buttonHeight;
  buttons = resource->items;
  return true;
}

bool CStatusBar::Create(const CWnd* parentWnd, WindowStyle windowStyle,
                        int windowId) {
  if (created) return false;
  MarkCreated(parentWnd, windowStyle, windowId);
  return true;
}

bool CStatusBar::SetIndicators(const std::vector<int>& indicatorIds) {
  if (!created) return false;
  panes.clear();
  for (int indicatorId : indicatorIds) {
    std::string paneText;
    if (indicatorId == kIdSeparator) {
      paneText = std::string(LoadResourceString(kAfxIdsIdleMessage));
    }
    panes.push_back({indicatorId, std::move(paneText)});
  }
  return true;
}

bool CDialog::Create(int templateId, const CWnd* parentWnd) {
  const DialogResource* resource = FindDialogResource(templateId);
  if (created || resource == nullptr) return false;
  MarkCreated(parentWnd, resource->visible ? kWsVisible : 0, templateId);
  text = std::string(resource->caption);
  width = resource->width;
  height = resource->height;
  for (const DialogControl& control : resource->controls) {
    std::unique_ptr<CWnd> child = MakeControl(control.kind);
    child->MarkCreated(this, kWsChild | (control.visible ? kWsVisible : 0),
                       control.id);
    child->text = std::string(control.text);
    controls_.push_back(std::move(child));
  }
  DoDataExchange();
  return true;
}

CWnd* CDialog::GetDlgItem(int controlId) const {
  for (const std::unique_ptr<CWnd>& control : controls_) {
    if (control->id == controlId) return control.get();
  }
  return nullptr;
}

bool CFrameWnd::LoadFrame(int resourceId) {
  if (created) return false;
  const std::string_view docString = LoadResourceString(resourceId);
  CreateStruct cs;
  if (!PreCreateWindow(cs)) return false;
  MarkCreated(/*parentWnd=*/nullptr, cs.style, resourceId);
  width = cs.cx;
  height = cs.cy;
  text = Slice(docString, 0, docString.find('\n'));
  if (OnCreate() == -1) {
    created = false;
    return false;
  }
  return true;
}

bool CFrameWnd::PreCreateWindow(CreateStruct& cs) {
  cs.style = kWsOverlappedWindow;
  return true;
}

void CFrameWnd::DockControlBar(CControlBar& bar) const {
  for (WindowStyle side :
       {kCbrsAlignTop, kCbrsAlignBottom, kCbrsAlignLeft, kCbrsAlignRight}) {
    if ((bar.style & bar.dockStyle & dockStyle & side) != 0) {
      bar.dockedAt = side;
      return;
    }
  }
}

}  // namespace quillery
