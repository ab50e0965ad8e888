// A growable text that keeps its first bytes inside the object, so rendering
// a quantity ("12.5 [km/hr]") needs no heap allocation.
#ifndef DROVIK_TEXT_TEXT_BUFFER_H_
#define DROVIK_TEXT_TEXT_BUFFER_H_

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace drovik {

class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  void append(std::string_view text) {
    if (!spilled_ && size_ + text.size() <= kInline) {
      std::memcpy(inline_ + size_, text.data(), text.size());
      size_ += text.size();
      return;
    }
    append_to_heap(text);
  }
  void append(std::size_t count, char c) {
    for (std::size_t i = 0; i < count; ++i) push_back(c);
  }
  void push_back(char c) {
    if (!spilled_ && size_ < kInline) {
      inline_[size_++] = c;
      return;
    }
    append_to_heap(std::string_view(&c, 1));
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const {
    return spilled_ ? std::string_view(heap_) : std::string_view(inline_, size_);
  }
  std::string str() const { return std::string(view()); }

 private:
  static constexpr std::size_t kInline = 176;

  // Moves the text to the heap on first overflow and appends there.
  void append_to_heap(std::string_view text) {
    if (!spilled_) {
      heap_.assign(inline_, size_);
      spilled_ = true;
    }
    heap_.append(text);
    size_ = heap_.size();
  }

  char inline_[kInline];
  std::size_t size_ = 0;
  bool spilled_ = false;
  std::string heap_;
};

}  // namespace drovik

#endif  // DROVIK_TEXT_TEXT_BUFFER_H_
