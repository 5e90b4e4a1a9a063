// Shared texts; see shared_text.h.
#include "text/shared_text.h"

#include <utility>

namespace quillery {

SharedText::SharedText(std::string text)
    : held_(std::make_shared<std::string>(std::move(text))), bytes_(*held_) {}

SharedText::SharedText(std::string text, const SharedText& source)
    : held_(std::make_shared<std::string>(std::move(text))),
      keeper_(source.keeper_),
      bytes_(*held_) {}

std::optional<std::string> SharedText::TakeHeld() {
  if (held_ == nullptr || held_.use_count() != 1) return std::nullopt;
  std::string text = std::move(*held_);
  held_.reset();
  bytes_ = std::string_view();
  return text;
}

}  // namespace quillery
