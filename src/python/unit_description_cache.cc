#include "python/unit_description_cache.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "python/once.h"
#include "python/results.h"

namespace drovik::python {
namespace {

// Larger collections are described afresh: the cache keeps copies.
constexpr std::size_t kLargestCached = 64;

struct Slot {
  std::optional<UnitRef> unit;  // a shared unit is one pointer, an owned one a copy
  PyObject* description = nullptr;  // strong
};

// A long text and the str that stands for it. The text is held weakly: a
// slot whose text has lost its last user is emptied when next seen, and a
// weak reference keeps the text's control block, so no other text can take
// its place meanwhile. The str is held, so its address is not reused.
struct TextSlot {
  std::weak_ptr<const std::string> text;
  PyObject* object = nullptr;  // strong
  std::size_t bytes = 0;       // the text's size

  bool holds(const SingleUnit::SharedText& other) const {
    return !text.owner_before(other) && !other.owner_before(text);
  }
  // Empties the slot when its text is gone; true while it holds one.
  bool live() {
    if (object != nullptr && text.expired()) clear();
    return object != nullptr;
  }
  void clear() {
    Py_CLEAR(object);
    text.reset();
    bytes = 0;
  }
};

// Slots replaced in turn.
template <class T>
struct Ring {
  std::array<T, 8> slots;
  std::size_t next = 0;

  T& replace() {
    T& slot = slots[next];
    next = (next + 1) % slots.size();
    return slot;
  }
};

// A few descriptions, of units without long texts, and long texts of at
// most kCachedTextBytes together. It lives in the thread state's dict, so
// the interpreter frees it, with a thread state attached, when the thread
// ends or the interpreter shuts down.
struct DescriptionCache {
  Ring<Slot> descriptions;
  Ring<TextSlot> texts;

  ~DescriptionCache() {
    for (Slot& slot : descriptions.slots) Py_XDECREF(slot.description);
    for (TextSlot& slot : texts.slots) Py_XDECREF(slot.object);
  }
};

void free_cache(PyObject* capsule);

// The capsule's name, which is also its key in the thread state's dict. It
// names this loaded copy of the module: another build loaded into the same
// process (a benchmark's baseline) keeps its own cache, whose layout may
// differ, under another name.
const char* capsule_name() {
  static const std::string name =
      "drovik.unit_descriptions@" + std::to_string(reinterpret_cast<std::uintptr_t>(&free_cache));
  return name.c_str();
}

void free_cache(PyObject* capsule) {
  delete static_cast<DescriptionCache*>(PyCapsule_GetPointer(capsule, capsule_name()));
}

std::atomic<PyObject*> g_key{nullptr};

PyObject* capsule_key() {
  return once(g_key, [] { return PyUnicode_InternFromString(capsule_name()); });
}

// This thread's cache, made on first use; nullptr (no exception) when there
// is no thread-state dict to keep it in.
DescriptionCache* this_threads_cache() {
  PyObject* dict = PyThreadState_GetDict();
  PyObject* key = capsule_key();
  if (dict == nullptr || key == nullptr) {
    PyErr_Clear();
    return nullptr;
  }
  PyObject* capsule = nullptr;
  if (PyDict_GetItemRef(dict, key, &capsule) < 0) {
    PyErr_Clear();
    return nullptr;
  }
  if (capsule != nullptr) {
    auto* cache = static_cast<DescriptionCache*>(PyCapsule_GetPointer(capsule, capsule_name()));
    Py_DECREF(capsule);  // the dict keeps it
    if (cache == nullptr) PyErr_Clear();
    return cache;
  }
  auto* cache = new DescriptionCache;
  capsule = PyCapsule_New(cache, capsule_name(), free_cache);
  if (capsule == nullptr) {
    delete cache;
    PyErr_Clear();
    return nullptr;
  }
  int stored = PyDict_SetItem(dict, key, capsule);
  Py_DECREF(capsule);
  if (stored < 0) {
    PyErr_Clear();
    return nullptr;
  }
  return cache;
}

// The same unit: one shared unit, or identical collections.
bool same_unit(const UnitRef& a, const UnitRef& b) {
  if (a.interned() != nullptr && b.interned() != nullptr) return a.interned() == b.interned();
  return identical(*a, *b);
}

// True when a custom unit of `unit` has a long name or symbol. A slot
// holding such a unit would keep its texts alive, so its description is
// made afresh; its texts are still the same str objects (text_object).
bool has_long_text(const UnitCollection& unit) {
  for (std::size_t i = 0; i < unit.size(); ++i) {
    const SingleUnit& single = unit[i].unit;
    if (single.is_custom() && ((*single.shared_name())->size() >= kSharedTextFrom ||
                               (*single.shared_symbol())->size() >= kSharedTextFrom)) {
      return true;
    }
  }
  return false;
}

}  // namespace

PyObject* cached_unit_description(const UnitRef& unit, DescribeUnit describe) {
  bool cacheable = unit->size() <= kLargestCached && !has_long_text(*unit);
  DescriptionCache* cache = cacheable ? this_threads_cache() : nullptr;
  if (cache == nullptr) return describe(*unit);
  for (const Slot& slot : cache->descriptions.slots) {
    if (slot.unit && same_unit(*slot.unit, unit)) return Py_NewRef(slot.description);
  }
  PyObject* description = describe(*unit);
  if (description == nullptr) return nullptr;
  Slot& slot = cache->descriptions.replace();
  slot.unit.reset();
  Py_CLEAR(slot.description);
  slot.unit = unit;
  slot.description = Py_NewRef(description);
  return description;
}

namespace {

// Keeps `object` for `text` in the next slot, after emptying as many of the
// following ones as the bytes held must give up.
void remember(DescriptionCache& cache, const SingleUnit::SharedText& text, PyObject* object) {
  std::size_t held = 0;
  for (TextSlot& slot : cache.texts.slots) held += slot.live() ? slot.bytes : 0;
  TextSlot* slot = &cache.texts.replace();
  held -= slot->bytes;
  slot->clear();
  for (std::size_t i = 0; held + text->size() > kCachedTextBytes; ++i) {
    TextSlot& next = cache.texts.slots[(cache.texts.next + i) % cache.texts.slots.size()];
    held -= next.bytes;
    next.clear();
  }
  slot->object = Py_NewRef(object);
  slot->text = text;
  slot->bytes = text->size();
}

bool cached_size(std::size_t size) {
  return size >= kSharedTextFrom && size <= kCachedTextBytes;
}

}  // namespace

PyObject* text_object(const SingleUnit::SharedText& text) {
  DescriptionCache* cache = cached_size(text->size()) ? this_threads_cache() : nullptr;
  if (cache == nullptr) return text_to_python(*text);
  for (TextSlot& slot : cache->texts.slots) {
    if (slot.live() && slot.holds(text)) return Py_NewRef(slot.object);
  }
  PyObject* object = text_to_python(*text);
  if (object != nullptr) remember(*cache, text, object);
  return object;
}

std::optional<SingleUnit::SharedText> shared_text_of(PyObject* item) {
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(item, &size);
  if (utf8 == nullptr) return std::nullopt;  // a lone surrogate: UnicodeEncodeError
  DescriptionCache* cache =
      cached_size(static_cast<std::size_t>(size)) ? this_threads_cache() : nullptr;
  if (cache != nullptr) {
    for (TextSlot& slot : cache->texts.slots) {
      if (slot.live() && slot.object == item) {
        if (SingleUnit::SharedText text = slot.text.lock()) return text;
      }
    }
  }
  auto text = std::make_shared<const std::string>(utf8, static_cast<std::size_t>(size));
  if (cache != nullptr) remember(*cache, text, item);
  return text;
}

}  // namespace drovik::python
