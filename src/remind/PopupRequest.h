#pragma once
// The request that asks the host's pop-up client to show a window of the plug-in: a record
// serialised little-endian without padding. Kind 4 (the only one the plug-in sends) is 35
// bytes:
//   0 u8 0xFC | 1 u8 header 1 | 2 u32 kind | 6 u64 first owner | 14 u64 second owner |
//   22 u32 time | 26 text with its terminating zero | 27 u64 kind value (kinds 2-5, 13, 14)
#include <cstddef>
#include <cstdint>
#include <string>

struct PopupRequest {
  std::uint8_t marker = 0xFC;
  std::uint8_t header = 1;
  std::uint32_t kind = 4;
  std::uint64_t firstOwner = 0;
  std::uint64_t secondOwner = 0;
  std::uint32_t time = 5000;
  std::string text;
  std::uint64_t kindValue = 0;

  std::size_t SerializedSize() const;
  // Writes the record into out (capacity bytes); returns the bytes written, 0 when it does not
  // fit.
  std::size_t Serialize(std::uint8_t* out, std::size_t capacity) const;
};

// The request for a window of the plug-in: kind 4, the window's address as first owner and as
// kind value, the time value 0x80BEFC00.
PopupRequest WindowPopupRequest(const void* window);
