#include "config/ConfigCipher.h"

#include <cstring>

#include "config/Aes128Cbc.h"

namespace config {

namespace {

// The module's key material.
constexpr AesKey kKey = {0x56, 0x65, 0x6c, 0x6d, 0x6f, 0x72, 0x61, 0x44,
                         0x46, 0x53, 0x77, 0x43, 0x6f, 0x6e, 0x66, 0x21};
constexpr char kMagic[] = "VMCF-DeviceFuncSwitchConf";

}  // namespace

int ConfigCipherDecrypt(const std::uint8_t* initialBlock, const std::uint8_t* body,
                        std::uint32_t length, std::uint8_t* out, std::uint32_t& outLength) {
  if (!initialBlock || !body || !out || length == 0 || length % kBlockSize != 0 ||
      outLength < length) {
    return 1;
  }
  AesBlock iv;
  std::memcpy(iv.data(), initialBlock, iv.size());
  std::vector<std::uint8_t> plain;
  if (!Aes128Cbc(false, kKey, iv, body, length, plain))
    return 2;  // damaged body or another key: the padding does not check out
  std::memcpy(out, plain.data(), plain.size());
  outLength = static_cast<std::uint32_t>(plain.size());
  return 0;
}

std::vector<std::uint8_t> SealConfigText(const std::string& plainText) {
  std::vector<std::uint8_t> stored(kHeaderSize, 0);
  std::memcpy(stored.data(), kMagic, sizeof kMagic - 1);
  const auto digest =
      Sha256(reinterpret_cast<const std::uint8_t*>(plainText.data()), plainText.size());
  AesBlock iv;
  std::memcpy(iv.data(), digest.data(), iv.size());
  std::memcpy(stored.data() + kInitialBlockOffset, iv.data(), kBlockSize);
  std::vector<std::uint8_t> body;
  if (!Aes128Cbc(true, kKey, iv, reinterpret_cast<const std::uint8_t*>(plainText.data()),
                 plainText.size(), body)) {
    return {};
  }
  stored.insert(stored.end(), body.begin(), body.end());
  return stored;
}

}  // namespace config
