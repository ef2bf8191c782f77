#pragma once
// Wide strings in the order Windows gives them: by UTF-16 code units. Where wchar_t holds
// UTF-32 a character above U+FFFF compares as its surrogate pair, so it sorts before
// U+E000..U+FFFF, as on Windows; a map keyed by wide strings then iterates (and is
// serialised) in the same order on every platform.
#include <map>
#include <string>

namespace platform {

#if defined(_WIN32)
using WideLess = std::less<std::wstring>;
#else
struct WideLess {
  // The code unit of the character at which a UTF-16 comparison decides: the character
  // itself, or its high surrogate (which lies below U+E000).
  static constexpr char32_t FirstUnit(wchar_t c) {
    const auto code = static_cast<char32_t>(c);
    return code > 0xFFFF ? 0xD800 + ((code - 0x10000) >> 10) : code;
  }
  // The second unit, for two characters above U+FFFF with the same high surrogate.
  static constexpr char32_t SecondUnit(wchar_t c) {
    return 0xDC00 + ((static_cast<char32_t>(c) - 0x10000) & 0x3FF);
  }
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (a[i] == b[i])
        continue;
      const char32_t ua = FirstUnit(a[i]);
      const char32_t ub = FirstUnit(b[i]);
      if (ua != ub)
        return ua < ub;
      return SecondUnit(a[i]) < SecondUnit(b[i]);  // both in the same surrogate block
    }
    return a.size() < b.size();
  }
};
#endif

template <class Value>
using WideMap = std::map<std::wstring, Value, WideLess>;

}  // namespace platform
