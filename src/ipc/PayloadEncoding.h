#pragma once
// The composite encodings every reply uses, on top of the serializer's primitives.
#include <cstdint>
#include <map>
#include <string>

#include "ipc/IPCDataIO.h"
#include "platform/WideOrder.h"

namespace payload {

void WriteBool(IIPCDataIO& io, bool value);
// u32 count of UTF-16 code units, then the units, no terminator.
void WriteWideString(IIPCDataIO& io, const std::wstring& text);
// u32 count, then key and value per entry in ascending key order.
void WriteMap(IIPCDataIO& io, const std::map<std::uint32_t, std::uint32_t>& map);
void WriteMap(IIPCDataIO& io, const platform::WideMap<std::uint32_t>& map);

// A S.M.A.R.T. attribute entry: 6 bytes.
struct SmartAttributeEntry {
  std::uint8_t id;
  std::uint16_t flags;
  std::uint8_t current;
  std::uint8_t worst;
  std::uint8_t threshold;
};
void WriteSmartAttribute(IIPCDataIO& io, const SmartAttributeEntry& entry);

// A sequence: u32 element count, then each element written by writeOne.
template <class Container, class WriteOne>
void WriteSequence(IIPCDataIO& io, const Container& items, WriteOne writeOne) {
  io.WriteUInt32(static_cast<std::uint32_t>(items.size()));
  for (const auto& item : items)
    writeOne(io, item);
}

}  // namespace payload
