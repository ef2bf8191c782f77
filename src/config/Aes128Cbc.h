#pragma once
// The two primitives of the configuration cipher, each behind one function with one
// implementation per platform: OpenSSL on Linux, CNG (BCrypt) on Windows. Both must give the
// same bytes; the known-answer test runs in both builds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace config {

using AesKey = std::array<std::uint8_t, 16>;
using AesBlock = std::array<std::uint8_t, 16>;

// AES-128-CBC with PKCS#7 padding. Encrypting never fails on a working platform; decrypting
// fails (false) on a length that is not whole blocks or padding that does not check out.
bool Aes128Cbc(bool encrypt, const AesKey& key, const AesBlock& iv, const std::uint8_t* in,
               std::size_t length, std::vector<std::uint8_t>& out);

// SHA-256 of the bytes.
std::array<std::uint8_t, 32> Sha256(const std::uint8_t* data, std::size_t length);

}  // namespace config
