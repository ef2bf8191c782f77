// Window layouts a scenario gives in place of the emulator's: any text either builds the
// window or is refused with a "layout_error" line, and the window goes cleanly either way.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzEmulator.h"
#include "emu/Toolkit.h"
#include "emu/UserInterface.h"
#include "hostapi/DuiLib/UIlib.h"

namespace {

class FuzzWindow : public DuiLib::WindowImplBase {
 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override { return L"FuzzWnd"; }
  DuiLib::CDuiString GetSkinFile() override { return L"fuzz.xml"; }
  DuiLib::CDuiString GetSkinFolder() override { return L""; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = (fuzzsupport::StartEmulator(), true);
  (void)started;
  emu::Laptop::Instance().Set(
      "toolkit_layouts", {{"fuzz.xml", std::string(reinterpret_cast<const char*>(data), size)}});
  {
    FuzzWindow window;
    if (window.Create(nullptr, L"", 0, 0))
      window.ShowWindow(true, true);
  }
  if (!emu::UserInterface::OpenWindows().empty() || !emu::Toolkit::LiveWindows().empty())
    __builtin_trap();  // the window outlived its object
  return 0;
}
