// Telling leak checkers about memory that is kept on purpose. A pointer that
// carries tag bits is not recognised as a reference by LeakSanitizer, so an
// object reachable only through one must be declared live.
#ifndef DROVIK_BASE_LEAK_CHECK_H_
#define DROVIK_BASE_LEAK_CHECK_H_

#if defined(__SANITIZE_ADDRESS__)
#define DROVIK_LEAK_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define DROVIK_LEAK_SANITIZER 1
#endif
#endif

#ifdef DROVIK_LEAK_SANITIZER
#include <sanitizer/lsan_interface.h>
#endif

namespace drovik {

// `object`, and what it points to, stay live for the rest of the process.
inline void keep_for_process(const void* object) {
#ifdef DROVIK_LEAK_SANITIZER
  __lsan_ignore_object(object);
#else
  (void)object;
#endif
}

}  // namespace drovik

#endif  // DROVIK_BASE_LEAK_CHECK_H_
