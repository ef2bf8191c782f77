#pragma once
// The disk reader's small text helpers: letter case, prefixes and parts, and printf-style
// formatting of its fixed patterns.
#include <cctype>
#include <cstdio>
#include <string>

namespace smart {

inline std::string Upper(std::string text) {
  for (auto& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

inline std::string Lower(std::string text) {
  for (auto& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

inline bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

inline bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// The pattern (one of the reader's own, with up to four integer conversions) filled in;
// arguments the pattern does not use are ignored.
inline std::string Format(const char* pattern, int a, int b = 0, int c = 0, int d = 0) {
  char text[256];
  std::snprintf(text, sizeof text, pattern, a, b, c, d);
  return text;
}

}  // namespace smart
