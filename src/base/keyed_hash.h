// A keyed hash of 64-bit words for the process-wide unit table.
//
// The table's keys can come from untrusted input (a pickle names any
// exponents and dimensions it likes), so the hash takes a secret drawn once
// per process: without it, nobody can choose many keys of one slot. Each
// step multiplies two 64-bit halves into 128 bits and folds them (as wyhash
// does), so every input bit reaches every output bit, natural families of
// keys (m**k, products of small powers) included.
#ifndef DROVIK_BASE_KEYED_HASH_H_
#define DROVIK_BASE_KEYED_HASH_H_

#include <array>
#include <cstdint>

namespace drovik {

// Four random words, drawn by the first caller in the process.
struct HashKey {
  std::array<std::uint64_t, 4> words;
};
const HashKey& process_hash_key();

class KeyedHash {
 public:
  explicit KeyedHash(const HashKey& key = process_hash_key()) : key_(key), state_(key.words[0]) {}

  KeyedHash& add(std::uint64_t word) {
    if (has_pending_) {
      state_ = fold(pending_ ^ key_.words[1] ^ state_, word ^ key_.words[2]);
      has_pending_ = false;
    } else {
      pending_ = word;
      has_pending_ = true;
    }
    ++count_;
    return *this;
  }

  std::uint64_t finish() const {
    std::uint64_t state = has_pending_ ? fold(pending_ ^ key_.words[1] ^ state_, key_.words[2])
                                       : state_;
    return fold(state ^ key_.words[3], count_ ^ key_.words[1]);
  }

 private:
  __extension__ using Wide = unsigned __int128;  // GCC and Clang, on 64-bit targets

  static std::uint64_t fold(std::uint64_t a, std::uint64_t b) {
    Wide product = static_cast<Wide>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
  }

  const HashKey& key_;
  std::uint64_t state_;
  std::uint64_t pending_ = 0;
  std::uint64_t count_ = 0;
  bool has_pending_ = false;
};

}  // namespace drovik

#endif  // DROVIK_BASE_KEYED_HASH_H_
