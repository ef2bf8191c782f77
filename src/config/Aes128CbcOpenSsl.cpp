// The configuration cipher's primitives over OpenSSL (Linux).
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <memory>

#include "config/Aes128Cbc.h"

namespace config {

bool Aes128Cbc(bool encrypt, const AesKey& key, const AesBlock& iv, const std::uint8_t* in,
               std::size_t length, std::vector<std::uint8_t>& out) {
  using Context = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;
  Context ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
  out.assign(length + iv.size(), 0);
  int written = 0;
  int last = 0;
  const int n = static_cast<int>(length);
  const bool ok =
      ctx && (encrypt ? EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, key.data(),
                                           iv.data()) == 1 &&
                            EVP_EncryptUpdate(ctx.get(), out.data(), &written, in, n) == 1 &&
                            EVP_EncryptFinal_ex(ctx.get(), out.data() + written, &last) == 1
                      : EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, key.data(),
                                           iv.data()) == 1 &&
                            EVP_DecryptUpdate(ctx.get(), out.data(), &written, in, n) == 1 &&
                            EVP_DecryptFinal_ex(ctx.get(), out.data() + written, &last) == 1);
  out.resize(ok ? static_cast<std::size_t>(written + last) : 0);
  return ok;
}

std::array<std::uint8_t, 32> Sha256(const std::uint8_t* data, std::size_t length) {
  std::array<std::uint8_t, 32> digest{};
  SHA256(data, length, digest.data());
  return digest;
}

}  // namespace config
