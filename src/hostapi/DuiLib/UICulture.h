#pragma once
// The toolkit's language: localized texts by id and the layout direction.
#include "hostapi/DuiLib/UIString.h"

namespace DuiLib {

class UICulture {
 public:
  static UICulture* GetInstance();
  // The text of the id in the user's language; empty for an unknown id.
  CDuiString GetString(LPCTSTR id);
  // 0: left to right, 1: right to left.
  int getDirection();
};

}  // namespace DuiLib
