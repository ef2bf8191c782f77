#pragma once
// A small seeded generator (splitmix64): the same numbers from the same seed on every
// platform and standard library, which std::uniform_int_distribution does not promise.
#include <cstdint>
#include <vector>

namespace emu {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // 0 to n - 1 (n > 0).
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }
  std::int64_t Between(std::int64_t low, std::int64_t high) {
    return low + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(high - low) + 1));
  }
  bool Chance(unsigned percent) { return Below(100) < percent; }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Below(items.size()))];
  }

 private:
  std::uint64_t state_;
};

}  // namespace emu
