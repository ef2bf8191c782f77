#pragma once
// Interface ids of the x3 protocol: a 32-bit hash of the interface name.
#include <cstdint>

namespace x3plugin {

// hash = hash * 33 + byte (the byte as a signed char), modulo 2^32, from 0.
std::uint32_t HashInterfaceName(const char* name);

// Computed once, on first use.
std::uint32_t IObjectInterfaceId();
std::uint32_t VexPluginInterfaceId();

}  // namespace x3plugin
