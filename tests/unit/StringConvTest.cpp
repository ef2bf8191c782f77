#include <gtest/gtest.h>

#include "hostapi/StringConv.h"
#include "platform/Text.h"

namespace {

TEST(StringConv, Utf8RoundTripsEveryPlane) {
  const std::wstring text = L"A\u00e9\u20ac" + std::wstring(1, static_cast<wchar_t>(0x1F600));
  const std::string utf8 = DE::UnicodeToUTF8(text);
  EXPECT_EQ(utf8, "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
  EXPECT_EQ(platform::Utf8ToWide(utf8), text);
  EXPECT_EQ(StringProc::WStringToString(text), utf8);
  EXPECT_EQ(DE::ANSIToUnicode(DE::UnicodeToANSI(text)), text);
}

TEST(StringConv, Utf16UsesSurrogatePairs) {
  const std::wstring text = L"x" + std::wstring(1, static_cast<wchar_t>(0x10437));
  const std::u16string units = platform::WideToUtf16(text);
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(units[1], 0xD801);
  EXPECT_EQ(units[2], 0xDC37);
  EXPECT_EQ(platform::Utf16ToWide(units), text);
}

TEST(StringConv, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(platform::Utf8ToWide("a\xff"
                                 "b"),
            L"a\ufffdb");
  EXPECT_EQ(platform::Utf8ToWide("\xe2\x82"), L"\ufffd\ufffd");  // cut short
  EXPECT_EQ(platform::Utf8ToWide("\xc3(x"), L"\ufffd(x");
  // A lone surrogate in UTF-16 stays what it is in wide text, as on Windows, and so goes
  // back out as the same unit; only UTF-8 has no place for it.
  const std::u16string lone = u"\xd800z\xdfbf";
  EXPECT_EQ(platform::Utf16ToWide(lone),
            (std::wstring{static_cast<wchar_t>(0xD800), L'z', static_cast<wchar_t>(0xDFBF)}));
  EXPECT_EQ(platform::WideToUtf16(platform::Utf16ToWide(lone)), lone);
  EXPECT_EQ(DE::UnicodeToUTF8(std::wstring(1, static_cast<wchar_t>(0xDC00))), "\xef\xbf\xbd");
}

}  // namespace
