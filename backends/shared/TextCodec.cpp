// The plug-in's own text conversions (platform/Text.h) over the shared codec. The win32
// backend has its own, over MultiByteToWideChar.
#include "Utf.h"
#include "platform/Text.h"

using namespace utf;

namespace platform {

std::wstring Utf8ToWide(const std::string& text) {
  if (IsAscii(text))
    return std::wstring(text.begin(), text.end());
  return FromCodePoints(DecodeUtf8(text));
}

std::u16string WideToUtf16(const std::wstring& text) {
  std::u16string out;
  out.reserve(text.size());
  for (char32_t c : CodePoints(text))
    AppendUtf16(out, c);
  return out;
}

std::wstring Utf16ToWide(const std::u16string& units) {
  return FromCodePoints(DecodeUtf16(units));
}

}  // namespace platform
