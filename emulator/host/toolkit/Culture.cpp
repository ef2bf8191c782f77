// The toolkit's language and display: localized texts by id (English, the emulator's own
// wording), the layout direction and the scale factor from the laptop's screen facts.
#include <cmath>

#include "ToolkitState.h"
#include "emu/Laptop.h"
#include "hostapi/StringConv.h"

namespace emu::toolkit {

namespace {

struct Text {
  const wchar_t* id;
  const wchar_t* text;
};
constexpr Text kTexts[] = {
    {L"IDS_HARDWARE_NET_FIX_REGEDIT_NOW",
     L"A system service setting that the network needs is damaged. Repair it now?"},
    {L"IDS_HARDWARE_NET_FIX_OK_RESTART_NOW",
     L"The setting is repaired. Restart the computer now to finish?"},
};

}  // namespace

State& Tables() {
  static auto* state = new State();  // never destroyed: the UI thread outlives every run
  return *state;
}

void Note(const char* op, Line fields) {
  Line line = {{"op", op}};
  for (auto& [key, value] : fields.items())
    line[key] = value;
  Transcript::Instance().Write("ui", std::move(line));
}

std::string Utf8(const std::wstring& text) {
  return DE::UnicodeToUTF8(text);
}

std::string TextIdOf(const std::wstring& text) {
  for (const auto& t : kTexts) {
    if (!text.empty() && text == t.text)
      return Utf8(t.id);
  }
  return {};
}

Screen CurrentScreen() {
  constexpr auto kWidth = FactOf("screen.width", FactType::Integer);
  constexpr auto kHeight = FactOf("screen.height", FactType::Integer);
  constexpr auto kScale = FactOf("screen.scale_percent", FactType::Integer);
  constexpr auto kDirection = FactOf("screen.direction", FactType::Text);
  const auto& laptop = Laptop::Instance();
  Screen screen;
  screen.width = static_cast<int>(laptop.Int(kWidth));
  screen.height = static_cast<int>(laptop.Int(kHeight));
  screen.scalePercent = static_cast<int>(laptop.Int(kScale));
  screen.direction = laptop.Text(kDirection) == "rtl" ? 1 : 0;
  return screen;
}

int Scaled(int pixels) {
  return static_cast<int>(std::lround(pixels * CurrentScreen().scalePercent / 100.0));
}

}  // namespace emu::toolkit

namespace DuiLib {

UICulture* UICulture::GetInstance() {
  static UICulture culture;
  return &culture;
}

CDuiString UICulture::GetString(LPCTSTR id) {
  for (const auto& t : emu::toolkit::kTexts) {
    if (id && std::wstring(id) == t.id)
      return t.text;
  }
  return L"";
}

int UICulture::getDirection() {
  return emu::toolkit::CurrentScreen().direction;
}

CResourceManager* CResourceManager::GetInstance() {
  static CResourceManager manager;
  return &manager;
}

int CResourceManager::Scale(int pixels) {
  return emu::toolkit::Scaled(pixels);
}

}  // namespace DuiLib
