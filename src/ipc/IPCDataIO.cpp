#include "ipc/IPCDataIO.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {
const char kInvalidCallType[] = "Invalid serialize call type";
const char kInvalidBufferSize[] = "Invalid buffer size";
const char kTooSmall[] = "Data for unserialize too small";
}  // namespace

CIPCDataIO::CIPCDataIO(std::int32_t blockSize, Mode mode, bool ownsItem, tagIPC_MESSAGE_ITEM* item)
    : m_blockSize(blockSize), m_mode(mode), m_ownsItem(ownsItem), m_item(item) {}

CIPCDataIO::~CIPCDataIO() {
  if (m_mode == kUnserialize && !m_ownsItem)
    return;
  if (!m_item)
    return;
  delete[] m_item->pData;
  m_item->pData = nullptr;
  m_item->nDataLen = 0;
  if (m_ownsItem) {
    delete m_item;
    m_item = nullptr;
  }
}

std::uint32_t CIPCDataIO::Reserve(std::uint32_t n) {
  if (n == 0)
    return 0;
  if (m_mode != kSerialize || !m_item)
    throw std::runtime_error(kInvalidCallType);
  const std::uint64_t needed = std::uint64_t{m_position} + n;
  if (static_cast<std::int64_t>(m_item->nDataLen) >= static_cast<std::int64_t>(needed))
    return n;
  // A block must be positive and no larger than the largest buffer, so the rounded
  // capacity stays within 32 bits.
  if (needed > static_cast<std::uint64_t>(kMaxBufferSize) || m_blockSize <= 0 ||
      m_blockSize > kMaxBufferSize) {
    throw std::runtime_error(kInvalidBufferSize);
  }
  const auto capacity = static_cast<std::int32_t>(
      (static_cast<std::int64_t>(needed) - 1 + m_blockSize) / m_blockSize * m_blockSize);
  if (capacity > m_allocated) {
    // The allocation grows geometrically so that many small writes copy the buffer only
    // O(log n) times; the capacity the item shows is still the block-rounded size.
    const std::int64_t doubled = std::int64_t{m_allocated} * 2;
    const std::int64_t limit =
        (std::int64_t{kMaxBufferSize} - 1 + m_blockSize) / m_blockSize * m_blockSize;
    const auto allocate =
        static_cast<std::int32_t>(std::max<std::int64_t>(capacity, std::min(doubled, limit)));
    auto* buffer = new std::uint8_t[allocate];
    if (m_item->pData) {
      std::memcpy(buffer, m_item->pData, m_position);
      delete[] m_item->pData;
    }
    m_item->pData = buffer;
    m_allocated = allocate;
  }
  m_item->nDataLen = capacity;
  return n;
}

std::uint32_t CIPCDataIO::WriteBytes(const void* source, std::uint32_t n) {
  Reserve(n);  // virtual: the mode check applies
  if (n == 0)
    return 0;
  std::memcpy(m_item->pData + m_position, source, n);
  m_position += n;
  return n;
}

std::uint32_t CIPCDataIO::WriteUInt32(std::uint32_t value) {
  return WriteBytes(&value, 4);
}

std::uint32_t CIPCDataIO::WriteUInt8(std::uint8_t value) {
  return WriteBytes(&value, 1);
}

std::uint32_t CIPCDataIO::ReadBytes(void* destination, std::uint32_t n) {
  if (m_mode != kUnserialize || !m_item)
    throw std::runtime_error(kInvalidCallType);
  // A received item without bytes has none to read, whatever its length field says.
  const std::int64_t available = m_item->pData ? m_item->nDataLen : 0;
  if (available < std::int64_t{m_position} + n)
    throw std::runtime_error(kTooSmall);
  if (n == 0)
    return 0;
  std::memcpy(destination, m_item->pData + m_position, n);
  m_position += n;
  return n;
}

std::uint32_t CIPCDataIO::ReadUInt32(std::uint32_t* value) {
  return ReadBytes(value, 4);
}

std::uint32_t CIPCDataIO::ReadUInt8(std::uint8_t* value) {
  return ReadBytes(value, 1);
}
