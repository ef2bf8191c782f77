// The configuration cipher's primitives over CNG (BCrypt), as Windows has them.
#include <windows.h>

#include <bcrypt.h>

#include "config/Aes128Cbc.h"

namespace config {

namespace {

constexpr bool Succeeded(NTSTATUS status) {
  return status >= 0;
}

// An algorithm provider and what was opened from it, closed in reverse order.
struct Provider {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_KEY_HANDLE key = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  ~Provider() {
    if (hash)
      BCryptDestroyHash(hash);
    if (key)
      BCryptDestroyKey(key);
    if (algorithm)
      BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

}  // namespace

bool Aes128Cbc(bool encrypt, const AesKey& key, const AesBlock& iv, const std::uint8_t* in,
               std::size_t length, std::vector<std::uint8_t>& out) {
  out.clear();
  Provider p;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&p.algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0)) ||
      !Succeeded(
          BCryptSetProperty(p.algorithm, BCRYPT_CHAINING_MODE,
                            reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC)),
                            sizeof(BCRYPT_CHAIN_MODE_CBC), 0)) ||
      !Succeeded(BCryptGenerateSymmetricKey(p.algorithm, &p.key, nullptr, 0,
                                            const_cast<PUCHAR>(key.data()),
                                            static_cast<ULONG>(key.size()), 0))) {
    return false;
  }
  AesBlock chain = iv;  // BCrypt updates the IV buffer it is given
  std::vector<std::uint8_t> input(in, in + length);
  ULONG size = 0;
  const auto run = [&](PUCHAR output, ULONG room) {
    return encrypt ? BCryptEncrypt(p.key, input.data(), static_cast<ULONG>(input.size()), nullptr,
                                   chain.data(), static_cast<ULONG>(chain.size()), output, room,
                                   &size, BCRYPT_BLOCK_PADDING)
                   : BCryptDecrypt(p.key, input.data(), static_cast<ULONG>(input.size()), nullptr,
                                   chain.data(), static_cast<ULONG>(chain.size()), output, room,
                                   &size, BCRYPT_BLOCK_PADDING);
  };
  if (!Succeeded(run(nullptr, 0)))
    return false;
  out.assign(size, 0);
  chain = iv;
  if (!Succeeded(run(out.data(), static_cast<ULONG>(out.size())))) {
    out.clear();
    return false;
  }
  out.resize(size);
  return true;
}

std::array<std::uint8_t, 32> Sha256(const std::uint8_t* data, std::size_t length) {
  std::array<std::uint8_t, 32> digest{};
  Provider p;
  if (Succeeded(BCryptOpenAlgorithmProvider(&p.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
      Succeeded(BCryptCreateHash(p.algorithm, &p.hash, nullptr, 0, nullptr, 0, 0)) &&
      Succeeded(BCryptHashData(p.hash, const_cast<PUCHAR>(data), static_cast<ULONG>(length), 0))) {
    BCryptFinishHash(p.hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
  }
  return digest;
}

}  // namespace config
