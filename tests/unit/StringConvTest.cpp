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
}

// The virtual Windows speaks Windows-1252 in its ANSI calls: one byte a character, the euro
// sign and the other typographic characters at 0x80 to 0x9F, "?" for what it lacks.
TEST(StringConv, AnsiIsWindows1252) {
  const std::wstring text = L"Ger\u00e4t \u20ac\u2122\u0178\u00ff";
  const std::string ansi = DE::UnicodeToANSI(text);
  EXPECT_EQ(ansi, "Ger\xe4t \x80\x99\x9f\xff");
  EXPECT_EQ(DE::ANSIToUnicode(ansi), text);
  EXPECT_EQ(DE::UnicodeToANSI(L"\u65e5x" + std::wstring(1, static_cast<wchar_t>(0x1F600))), "?x?");
  // The five bytes the code page leaves undefined decode to the control of the same number
  // and go back to the same byte.
  EXPECT_EQ(DE::ANSIToUnicode("\x81\x8d\x8f\x90\x9d"), L"\u0081\u008d\u008f\u0090\u009d");
  EXPECT_EQ(DE::UnicodeToANSI(L"\u0081\u009d"), "\x81\x9d");
  EXPECT_EQ(DE::UnicodeToANSI(L"\u0080"), "?");  // a C1 control the code page has no byte for
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
