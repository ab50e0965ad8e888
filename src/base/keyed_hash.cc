#include "base/keyed_hash.h"

#include <chrono>
#include <random>

namespace drovik {
namespace {

// splitmix64's step: spreads a weak seed over a whole word.
std::uint64_t spread(std::uint64_t& seed) {
  std::uint64_t z = (seed += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

HashKey draw_key() {
  // The clock and two addresses (ASLR) stand in where the system has no
  // random source to offer.
  std::uint64_t seed = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  seed ^= reinterpret_cast<std::uintptr_t>(&seed) * 0x9e3779b97f4a7c15ULL;
  seed ^= reinterpret_cast<std::uintptr_t>(&draw_key);
  try {
    std::random_device device;
    seed ^= (std::uint64_t{device()} << 32) ^ device();
  } catch (...) {  // NOLINT(bugprone-empty-catch): the fallback above stands
  }
  HashKey key{};
  for (std::uint64_t& word : key.words) word = spread(seed);
  return key;
}

}  // namespace

const HashKey& process_hash_key() {
  static const HashKey key = draw_key();
  return key;
}

}  // namespace drovik
