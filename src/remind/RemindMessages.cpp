// The fix-remind prompt's two messages to the host: the pop-up request and the restart.
#include <cstring>
#include <memory>
#include <string>

#include "common/Log.h"
#include "hostapi/IPCMessageClient.h"
#include "remind/FixpRemindRestartManager.h"
#include "remind/PopupRequest.h"

namespace {
constexpr std::uint32_t kPopupClient = 0x40000;
constexpr std::uint32_t kPopupMessage = 0x40003;
constexpr std::uint32_t kRestartClient = 0x30000;
constexpr std::uint32_t kRestartMessage = 0xF0006;
constexpr std::size_t kSpareBytes = 16;
}  // namespace

void FixpRemindRestartManager::PostPoPupMsgToMC() {
  const PopupRequest request = WindowPopupRequest(this);
  const std::size_t size = request.SerializedSize();
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size + kSpareBytes]());
  if (request.Serialize(buffer.get(), size + kSpareBytes) != size)
    return;
  tagIPC_MESSAGE_ITEM item;
  item.dwDestClientId = kPopupClient;
  item.dwMsgId = kPopupMessage;
  item.nDataLen = static_cast<std::int32_t>(size);
  item.pData = buffer.get();
  const bool result = m_pIpcClient && m_pIpcClient->PostIPCMessage(item);
  if (!result)
    LOG_ERROR("bResult=" + std::to_string(result ? 1 : 0));
}

void FixpRemindRestartManager::RestartNow() {
  tagIPC_MESSAGE_ITEM item;
  item.dwDestClientId = kRestartClient;
  item.dwMsgId = kRestartMessage;
  if (!m_pIpcClient || !m_pIpcClient->PostIPCMessage(item))
    LOG_ERROR("RestartMsg msg send failed");
}
