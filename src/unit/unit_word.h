// The name or symbol of a single unit: a prefix part and a unit part, both
// borrowed from static catalogue storage (or from a custom unit's own row),
// so resolving "km" copies no text.
#ifndef DROVIK_UNIT_UNIT_WORD_H_
#define DROVIK_UNIT_UNIT_WORD_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace drovik {

struct UnitWord {
  std::string_view head;  // the prefix, often empty
  std::string_view tail;  // the unit's own word

  std::size_t size() const { return head.size() + tail.size(); }
  void append_to(std::string& out) const {
    out.append(head);
    out.append(tail);
  }
  std::string str() const {
    std::string out;
    out.reserve(size());
    append_to(out);
    return out;
  }

  // The very same texts (shared by units read back from one saved quantity),
  // known equal without reading them.
  bool same_storage(const UnitWord& other) const {
    return head.data() == other.head.data() && head.size() == other.head.size() &&
           tail.data() == other.tail.data() && tail.size() == other.tail.size();
  }

  // Byte-wise equality of the concatenated texts.
  friend bool operator==(const UnitWord& a, const UnitWord& b) {
    if (a.size() != b.size()) return false;
    if (a.same_storage(b)) return true;
    if (a.head.size() == b.head.size()) return a.head == b.head && a.tail == b.tail;
    const UnitWord& shorter = a.head.size() < b.head.size() ? a : b;
    const UnitWord& longer = &shorter == &a ? b : a;
    // `longer.head` is shorter's head followed by the start of shorter's tail.
    std::size_t split = longer.head.size() - shorter.head.size();
    return longer.head.substr(0, shorter.head.size()) == shorter.head &&
           longer.head.substr(shorter.head.size()) == shorter.tail.substr(0, split) &&
           longer.tail == shorter.tail.substr(split);
  }
};

}  // namespace drovik

#endif  // DROVIK_UNIT_UNIT_WORD_H_
