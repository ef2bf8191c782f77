#include "ipc/PayloadEncoding.h"

#include "hostapi/StringConv.h"
#include "platform/Text.h"

namespace payload {

void WriteBool(IIPCDataIO& io, bool value) {
  const std::uint8_t byte = value ? 1 : 0;
  io.WriteBytes(&byte, 1);
}

void WriteWideString(IIPCDataIO& io, const std::wstring& text) {
  const std::u16string units = platform::WideToUtf16(text);
  io.WriteUInt32(static_cast<std::uint32_t>(units.size()));
  // Code units go out little-endian whatever the host's byte order, in one write.
  std::string bytes(units.size() * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  io.WriteBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

void WriteMap(IIPCDataIO& io, const std::map<std::uint32_t, std::uint32_t>& map) {
  io.WriteUInt32(static_cast<std::uint32_t>(map.size()));
  for (const auto& [key, value] : map) {
    io.WriteUInt32(key);
    io.WriteBytes(&value, 4);
  }
}

void WriteMap(IIPCDataIO& io, const platform::WideMap<std::uint32_t>& map) {
  io.WriteUInt32(static_cast<std::uint32_t>(map.size()));
  for (const auto& [key, value] : map) {
    WriteWideString(io, key);
    io.WriteUInt32(value);
  }
}

void WriteSmartAttribute(IIPCDataIO& io, const SmartAttributeEntry& entry) {
  const std::uint8_t bytes[6] = {entry.id,
                                 static_cast<std::uint8_t>(entry.flags & 0xFF),
                                 static_cast<std::uint8_t>(entry.flags >> 8),
                                 entry.current,
                                 entry.worst,
                                 entry.threshold};
  io.WriteBytes(bytes, 6);
}

}  // namespace payload
