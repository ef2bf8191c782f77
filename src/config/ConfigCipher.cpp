#include "config/ConfigCipher.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstring>
#include <memory>

namespace config {

namespace {

// The module's key material.
constexpr std::uint8_t kKey[16] = {0x56, 0x65, 0x6c, 0x6d, 0x6f, 0x72, 0x61, 0x44,
                                   0x46, 0x53, 0x77, 0x43, 0x6f, 0x6e, 0x66, 0x21};
constexpr char kMagic[] = "VMCF-DeviceFuncSwitchConf";

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

}  // namespace

int ConfigCipherDecrypt(const std::uint8_t* initialBlock, const std::uint8_t* body,
                        std::uint32_t length, std::uint8_t* out, std::uint32_t& outLength) {
  if (!initialBlock || !body || !out || length == 0 || length % kBlockSize != 0 ||
      outLength < length) {
    return 1;
  }
  CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
  int written = 0;
  int last = 0;
  if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, kKey, initialBlock) != 1 ||
      EVP_DecryptUpdate(ctx.get(), out, &written, body, static_cast<int>(length)) != 1 ||
      EVP_DecryptFinal_ex(ctx.get(), out + written, &last) != 1) {
    return 2;  // damaged body or another key: the padding does not check out
  }
  outLength = static_cast<std::uint32_t>(written + last);
  return 0;
}

std::vector<std::uint8_t> SealConfigText(const std::string& plainText) {
  std::vector<std::uint8_t> stored(kHeaderSize, 0);
  std::memcpy(stored.data(), kMagic, sizeof kMagic - 1);
  std::uint8_t digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(plainText.data()), plainText.size(), digest);
  std::memcpy(stored.data() + kInitialBlockOffset, digest, kBlockSize);

  std::vector<std::uint8_t> body(plainText.size() + kBlockSize);
  CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
  int written = 0;
  int last = 0;
  if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, kKey, digest) != 1 ||
      EVP_EncryptUpdate(ctx.get(), body.data(), &written,
                        reinterpret_cast<const unsigned char*>(plainText.data()),
                        static_cast<int>(plainText.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), body.data() + written, &last) != 1) {
    return {};
  }
  stored.insert(stored.end(), body.begin(), body.begin() + written + last);
  return stored;
}

}  // namespace config
