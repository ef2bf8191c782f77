// The configuration cipher's primitives against the published test vectors (NIST SP 800-38A
// F.2.1 for AES-128-CBC, FIPS 180-2 for SHA-256). Built and run on Linux (OpenSSL) and for
// Windows (CNG, under wine): both must give these bytes.
#include <gtest/gtest.h>

#include <string>

#include "config/Aes128Cbc.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string Hex(const std::uint8_t* p, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  return out;
}

template <class Array>
Array ArrayOf(const std::string& hex) {
  Array a{};
  const auto bytes = Bytes(hex);
  std::copy(bytes.begin(), bytes.end(), a.begin());
  return a;
}

TEST(Aes128Cbc, PublishedVectorAndPadding) {
  const auto key = ArrayOf<config::AesKey>("2b7e151628aed2a6abf7158809cf4f3c");
  const auto iv = ArrayOf<config::AesBlock>("000102030405060708090a0b0c0d0e0f");
  const auto plain = Bytes("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
  std::vector<std::uint8_t> sealed;
  ASSERT_TRUE(config::Aes128Cbc(true, key, iv, plain.data(), plain.size(), sealed));
  // Two whole blocks give a third of padding (16 × 0x10).
  ASSERT_EQ(sealed.size(), 48u);
  EXPECT_EQ(Hex(sealed.data(), 32),
            "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2");
  std::vector<std::uint8_t> opened;
  ASSERT_TRUE(config::Aes128Cbc(false, key, iv, sealed.data(), sealed.size(), opened));
  EXPECT_EQ(opened, plain);
  // A partial block is padded to a whole one; a damaged last block fails its padding check,
  // and a length that is not whole blocks is refused.
  ASSERT_TRUE(config::Aes128Cbc(true, key, iv, plain.data(), 5, sealed));
  EXPECT_EQ(sealed.size(), 16u);
  sealed.back() ^= 0x01;
  EXPECT_FALSE(config::Aes128Cbc(false, key, iv, sealed.data(), sealed.size(), opened));
  EXPECT_FALSE(config::Aes128Cbc(false, key, iv, sealed.data(), 15, opened));
}

TEST(Sha256, PublishedDigests) {
  const std::string abc = "abc";
  const auto digest = config::Sha256(reinterpret_cast<const std::uint8_t*>(abc.data()), 3);
  EXPECT_EQ(Hex(digest.data(), 32),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const auto empty = config::Sha256(nullptr, 0);
  EXPECT_EQ(Hex(empty.data(), 32),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

}  // namespace
