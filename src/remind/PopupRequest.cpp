#include "remind/PopupRequest.h"

#include <cstring>

namespace {

constexpr std::uint32_t kWindowPopupTime = 0x80BEFC00;

bool HasKindValue(std::uint32_t kind) {
  return (kind >= 2 && kind <= 5) || kind == 13 || kind == 14;
}

// Appends little-endian values; stops writing (and remembers it) once the buffer is full.
class Writer {
 public:
  Writer(std::uint8_t* out, std::size_t capacity) : out_(out), capacity_(capacity) {}
  template <class T>
  void Put(T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
      Byte(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
  }
  void Text(const std::string& text) {
    for (const char c : text)
      Byte(static_cast<std::uint8_t>(c));
    Byte(0);
  }
  std::size_t Written() const { return full_ ? 0 : written_; }

 private:
  void Byte(std::uint8_t b) {
    if (written_ >= capacity_) {
      full_ = true;
      return;
    }
    out_[written_++] = b;
  }
  std::uint8_t* out_;
  std::size_t capacity_;
  std::size_t written_ = 0;
  bool full_ = false;
};

}  // namespace

std::size_t PopupRequest::SerializedSize() const {
  return 1 + 1 + 4 + 8 + 8 + 4 + text.size() + 1 + (HasKindValue(kind) ? 8 : 0);
}

std::size_t PopupRequest::Serialize(std::uint8_t* out, std::size_t capacity) const {
  Writer writer(out, capacity);
  writer.Put(marker);
  writer.Put(header);
  writer.Put(kind);
  writer.Put(firstOwner);
  writer.Put(secondOwner);
  writer.Put(time);
  writer.Text(text);
  if (HasKindValue(kind))
    writer.Put(kindValue);
  return writer.Written();
}

PopupRequest WindowPopupRequest(const void* window) {
  PopupRequest request;
  request.kind = 4;
  request.firstOwner = reinterpret_cast<std::uintptr_t>(window);
  request.kindValue = request.firstOwner;
  request.time = kWindowPopupTime;
  return request;
}
