// The stored configuration file: a whole frame through decipher and parse, and (since random
// bytes rarely decipher) the input sealed first, so that the XML parse sees arbitrary text
// that came through the cipher.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/ConfigCipher.h"
#include "config/FuncSwitchConfig.h"

namespace {

void ParseAsTheQueriesDo(const std::string& text) {
  std::string value;
  config::FindConfigValue(text, "realtek", "IsSupportRealtekCallback", value);
  config::FindConfigValue(text, "wifi", "gpio", value);
}

void ThroughTheFrame(const std::uint8_t* stored, std::size_t size) {
  std::uint8_t* plain = nullptr;
  std::uint32_t length = 0;
  if (config::DecryptConfigBuffer(stored, static_cast<std::uint32_t>(size), plain, length) != 1)
    return;
  ParseAsTheQueriesDo(std::string(reinterpret_cast<const char*>(plain), length));
  delete[] plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ThroughTheFrame(data, size);
  const auto sealed =
      config::SealConfigText(std::string(reinterpret_cast<const char*>(data), size));
  ThroughTheFrame(sealed.data(), sealed.size());
  return 0;
}
