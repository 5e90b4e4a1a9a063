// A text whose bytes are shared, not copied, by whoever takes it: held in
// memory of its own, or lying in bytes something else keeps for it (a large
// document mapped from its file rather than read into memory).
#ifndef QUILLERY_TEXT_SHARED_TEXT_H_
#define QUILLERY_TEXT_SHARED_TEXT_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillery {

// Keeps the bytes of a SharedText where they are for as long as any copy of
// it lives, and can tell whether they are still the bytes first taken.
class TextKeeper {
 public:
  virtual ~TextKeeper() = default;
  // False once the bytes are no longer those first taken: a file mapped
  // into memory was written or cut short by someone else meanwhile.
  [[nodiscard]] virtual bool Unchanged() const { return true; }
  // Says that the bytes before `end` will not be read again soon: a keeper
  // may give back the memory they take, and bytes read again later are
  // brought back as they were.
  virtual void LetGoBefore(std::size_t end) const { static_cast<void>(end); }
};

class SharedText {
 public:
  SharedText() = default;
  // Takes `text` into memory of its own, without copying its bytes.
  explicit SharedText(std::string text);
  // Takes `text`, made from the bytes of `source`, into memory of its own:
  // it tells as `source` does whether those bytes are unchanged.
  SharedText(std::string text, const SharedText& source);
  // The `bytes` that `keeper` keeps.
  SharedText(std::shared_ptr<const TextKeeper> keeper, std::string_view bytes)
      : keeper_(std::move(keeper)), bytes_(bytes) {}

  [[nodiscard]] std::string_view view() const { return bytes_; }
  [[nodiscard]] std::size_t size() const { return bytes_.size(); }
  [[nodiscard]] bool empty() const { return bytes_.empty(); }
  [[nodiscard]] bool Unchanged() const {
    return keeper_ == nullptr || keeper_->Unchanged();
  }
  void LetGoBefore(std::size_t end) const {
    if (held_ == nullptr && keeper_ != nullptr) keeper_->LetGoBefore(end);
  }
  // The bytes, taken over without a copy, where they are held in memory of
  // their own by this text alone (which is left empty); nothing otherwise.
  [[nodiscard]] std::optional<std::string> TakeHeld();

 private:
  // Bytes held in memory of their own, or kept by `keeper_`; held bytes
  // made from kept ones have both.
  std::shared_ptr<std::string> held_;
  std::shared_ptr<const TextKeeper> keeper_;
  std::string_view bytes_;
};

}  // namespace quillery

#endif  // QUILLERY_TEXT_SHARED_TEXT_H_
