#include "common/RegistryText.h"

#include "platform/Text.h"

namespace regtext {

std::wstring FromData(const std::uint8_t* data, std::uint32_t size) {
  std::u16string units;
  for (std::uint32_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0)
      break;
    units.push_back(unit);
  }
  return platform::Utf16ToWide(units);
}

}  // namespace regtext
