#pragma once
// The payload serializer: fixed-width values and byte runs written into a growing buffer
// kept in a message item's payload fields, or read back from a received payload.
#include <cstdint>

#include "hostapi/IPCMessageClient.h"

// The interface other modules call through: its table holds exactly these seven operations,
// in this order, from slot 0. Objects are never destroyed through it, so it has no virtual
// destructor (which would take the first slots).
class IIPCDataIO {
 public:
  virtual std::uint32_t Reserve(std::uint32_t n) = 0;
  virtual std::uint32_t WriteUInt32(std::uint32_t value) = 0;
  virtual std::uint32_t WriteUInt8(std::uint8_t value) = 0;
  virtual std::uint32_t WriteBytes(const void* source, std::uint32_t n) = 0;
  virtual std::uint32_t ReadUInt32(std::uint32_t* value) = 0;
  virtual std::uint32_t ReadUInt8(std::uint8_t* value) = 0;
  virtual std::uint32_t ReadBytes(void* destination, std::uint32_t n) = 0;

 protected:
  ~IIPCDataIO() = default;
};

class CIPCDataIO : public IIPCDataIO {
 public:
  enum Mode : std::uint8_t { kSerialize = 0, kUnserialize = 1 };
  static constexpr std::int32_t kMaxBufferSize = 0x0FFFFFFF;

  // In write mode the item's payload pointer is the buffer and its length field the
  // buffer's capacity; in read mode they are the received bytes.
  CIPCDataIO(std::int32_t blockSize, Mode mode, bool ownsItem, tagIPC_MESSAGE_ITEM* item);
  virtual ~CIPCDataIO();
  CIPCDataIO(const CIPCDataIO&) = delete;
  CIPCDataIO& operator=(const CIPCDataIO&) = delete;

  std::uint32_t Reserve(std::uint32_t n) override;
  std::uint32_t WriteUInt32(std::uint32_t value) override;
  std::uint32_t WriteUInt8(std::uint8_t value) override;
  std::uint32_t WriteBytes(const void* source, std::uint32_t n) override;
  std::uint32_t ReadUInt32(std::uint32_t* value) override;
  std::uint32_t ReadUInt8(std::uint8_t* value) override;
  std::uint32_t ReadBytes(void* destination, std::uint32_t n) override;

  // Bytes written or read so far.
  std::uint32_t Position() const { return m_position; }
  std::uint8_t* Buffer() const { return m_item ? m_item->pData : nullptr; }

 private:
  std::int32_t m_blockSize;
  std::uint8_t m_mode;
  bool m_ownsItem;
  std::uint32_t m_position = 0;
  tagIPC_MESSAGE_ITEM* m_item;
  std::int32_t m_allocated = 0;  // bytes behind the buffer, at least the shown capacity
};
