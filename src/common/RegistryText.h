#pragma once
// Text of REG_SZ data as the registry calls return it: UTF-16LE code units, up to the first
// NUL (string data need not end in one).
#include <cstdint>
#include <string>

namespace regtext {

std::wstring FromData(const std::uint8_t* data, std::uint32_t size);

}  // namespace regtext
