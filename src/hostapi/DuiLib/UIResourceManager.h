#pragma once
// The toolkit's resources: among them the display scale of layout pixels.
namespace DuiLib {

class CResourceManager {
 public:
  static CResourceManager* GetInstance();
  // Layout pixels at the display's scale factor.
  int Scale(int pixels);
};

}  // namespace DuiLib
