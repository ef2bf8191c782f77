#pragma once
// The window toolkit's text (Unicode build: wide characters).
#include <string>

namespace DuiLib {

using LPCTSTR = const wchar_t*;

class CDuiString {
 public:
  CDuiString();
  CDuiString(LPCTSTR text);  // NOLINT(google-explicit-constructor): the toolkit converts
  CDuiString(const CDuiString& other);
  CDuiString& operator=(const CDuiString& other);
  ~CDuiString();

  LPCTSTR GetData() const;
  operator LPCTSTR() const { return GetData(); }  // NOLINT(google-explicit-constructor)
  int GetLength() const;
  bool IsEmpty() const;
  bool operator==(LPCTSTR text) const;
  bool operator!=(LPCTSTR text) const { return !(*this == text); }

 private:
  std::wstring text_;
};

}  // namespace DuiLib
