#pragma once
// The configuration cipher and the stored-file frame of the device function switch file.
//
// Frame: bytes 0-99 header, 100-115 the initial block, 116-255 header, 256.. the body.
// The body is AES-128-CBC with PKCS#7 padding under the module's key, chained from the
// initial block.
#include <cstdint>
#include <string>
#include <vector>

namespace config {

constexpr std::size_t kHeaderSize = 256;
constexpr std::size_t kInitialBlockOffset = 100;
constexpr std::size_t kBlockSize = 16;
constexpr std::size_t kMinStoredSize = kHeaderSize + kBlockSize;  // 272

// Deciphers length body bytes into out (capacity in outLength). Returns 0 on success with
// outLength set to the plain length; anything else on failure.
int ConfigCipherDecrypt(const std::uint8_t* initialBlock, const std::uint8_t* body,
                        std::uint32_t length, std::uint8_t* out, std::uint32_t& outLength);

// The stored form of a plain text: a header with the initial block (derived from the text,
// so that sealing is repeatable) and the enciphered body.
std::vector<std::uint8_t> SealConfigText(const std::string& plainText);

}  // namespace config
