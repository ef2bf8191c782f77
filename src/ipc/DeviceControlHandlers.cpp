// Device control requests of the host. Worker-type handlers copy the reply address (and
// what else they need) and do their work on a detached thread holding a transient instance.
#include <cstring>

#include "common/Log.h"
#include "common/ModuleThread.h"
#include "common/RegistryText.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/SystemSdk.h"
#include "ipc/DeviceInstances.h"
#include "ipc/MsgEvent.h"
#include "ipc/Reply.h"
#include "platform/Sleep.h"
#include "platform/Thread.h"
#include "repair/OsdRecovery.h"
#include "repair/ProcessWifiRepair.h"

namespace {

constexpr std::uint64_t kWmiMethodId = 0x604;
constexpr std::uint32_t kWifiRepairFirstPauseMs = 2000;
constexpr std::uint32_t kWifiRepairRescanPauseMs = 1000;
constexpr std::uint32_t kWifiRepairAnswerPauseMs = 3000;
constexpr int kWifiRepairRescans = 10;
constexpr std::uint32_t kCardStillMissing = 24;
constexpr std::size_t kServiceNameBufferBytes = 522;
constexpr std::int32_t kServiceNameMaxBytes = 520;

// Runs a worker-type handler's body on its own thread, holding a transient instance, and
// posts what it answers through the singleton. A thread that cannot be created is logged in
// the handler's name.
template <class Body>
void StartWorker(const fdthread::CallSite& handler, const reply::Address& to, Body body) {
  fdthread::Start(
      [to, body] {
        CMsgEvent transient;
        body(CMsgEvent::GetInstance(), to);
      },
      handler);
}

// Re-enables the devices of the type, rescans and answers {type: every change succeeded}.
void EnableAndAnswer(CMsgEvent* singleton, const reply::Address& to, int type) {
  const bool ok = devices::SetDevicesState(type, true);
  CDeviceDriver().ScanForHardwareChange();
  reply::PostMap(singleton, to, {{static_cast<std::uint32_t>(type), ok ? 1u : 0u}});
}

// The UTF-16 service name of a request, as its zeroed 522-byte buffer holds it.
std::wstring ServiceNameOf(const tagIPC_MESSAGE_ITEM& item) {
  std::uint8_t buffer[kServiceNameBufferBytes];
  std::memset(buffer, 0, sizeof buffer);
  if (item.pData && item.nDataLen >= 1 && item.nDataLen <= kServiceNameMaxBytes)
    std::memcpy(buffer, item.pData, static_cast<std::size_t>(item.nDataLen));
  return regtext::FromData(buffer, sizeof buffer);
}

}  // namespace

void CMsgEvent::OnRecvWmiQueryMsg(tagIPC_MESSAGE_ITEM& item) {
  StartWorker(FD_CALL_SITE, reply::AddressOf(item),
              [](CMsgEvent* singleton, const reply::Address& to) {
                CWMI wmi(L"ROOT\\WMI");
                std::uint8_t buffer[256];
                std::memset(buffer, 0, sizeof buffer);
                std::uint32_t value = 0;
                if (wmi.GetOutPutUInt(kWmiMethodId, buffer, sizeof buffer) && buffer[0] == 0)
                  value = buffer[1];
                reply::PostU32(singleton, to, value);
              });
}

void CMsgEvent::OnRecvScanHardwareChangeMsg(tagIPC_MESSAGE_ITEM&) {
  CDeviceDriver driver;
  driver.ScanForHardwareChange();
}

void CMsgEvent::OnRecvGetBiosSwitchMsg(tagIPC_MESSAGE_ITEM& item) {
  int type = 0;
  if (!reply::DeviceTypeOf(item, type))
    return;
  CBiosFun bios;
  bool state = false;
  const bool ok = bios.GetBiosSwitch(state, type);
  reply::PostBiosSwitch(GetInstance(), reply::AddressOf(item), static_cast<std::uint32_t>(type), ok,
                        state);
}

void CMsgEvent::OnRecvWifiRepairMsg(tagIPC_MESSAGE_ITEM& item) {
  StartWorker(FD_CALL_SITE, reply::AddressOf(item),
              [](CMsgEvent* singleton, const reply::Address& to) {
                std::uint32_t stored = 0;
                IsStoredWifiDriverInstalled(stored);
                if (stored != 0) {
                  reply::PostU32(singleton, to, 0);
                  return;
                }
                // A stop ends the repair without an answer: the host is unloading the plug-in.
                if (!platform::Sleep(kWifiRepairFirstPauseMs))
                  return;
                std::uint32_t result = 0;
                const bool missing = !IsWifiCardPresent();
                for (int round = 1; missing && round <= kWifiRepairRescans; ++round) {
                  CProcessWifiRepair::ScanForHardwareChange();
                  if (IsWifiCardPresent())
                    break;
                  if (!platform::Sleep(kWifiRepairRescanPauseMs))
                    return;
                  if (round == kWifiRepairRescans) {
                    CProcessWifiRepair::ReInsatllDriver();
                    if (!IsWifiCardPresent())
                      result = kCardStillMissing;
                  }
                }
                if (!platform::Sleep(kWifiRepairAnswerPauseMs))
                  return;
                reply::PostU32(singleton, to, result);
              });
}

void CMsgEvent::OnRecvWifiDriverReinstallMsg(tagIPC_MESSAGE_ITEM& item) {
  StartWorker(FD_CALL_SITE, reply::AddressOf(item),
              [](CMsgEvent* singleton, const reply::Address& to) {
                reply::PostU32(singleton, to, CProcessWifiRepair::ReInsatllDriver());
              });
}

void CMsgEvent::OnRecvOsdServiceRecoverMsg(tagIPC_MESSAGE_ITEM& item) {
  StartWorker(FD_CALL_SITE, reply::AddressOf(item),
              [](CMsgEvent* singleton, const reply::Address& to) {
                reply::PostU8(singleton, to, RecoverOsdService() ? 1 : 0);
              });
}

void CMsgEvent::OnRecvSetDeviceEnableQueryMsg(tagIPC_MESSAGE_ITEM& item) {
  int type = 0;
  if (!reply::DeviceTypeOf(item, type))
    return;
  StartWorker(FD_CALL_SITE, reply::AddressOf(item),
              [type](CMsgEvent* singleton, const reply::Address& to) {
                EnableAndAnswer(singleton, to, type);
              });
}

void CMsgEvent::OnRecvSetDeviceDisableQueryMsg(tagIPC_MESSAGE_ITEM& item) {
  int type = 0;
  if (!reply::DeviceTypeOf(item, type))
    return;
  const reply::Address to = reply::AddressOf(item);
  START_MODULE_THREAD([to, type] {
    const bool ok = devices::SetDevicesState(type, false);
    if (!ok)
      LOG_ERROR("disable result: " + std::to_string(static_cast<int>(ok)));
    // The answer is the re-enabling's: this request disables and enables the devices again.
    CMsgEvent transient;
    EnableAndAnswer(CMsgEvent::GetInstance(), to, type);
  });
}

void CMsgEvent::OnRecvResetDeviceDriverMsg(tagIPC_MESSAGE_ITEM& item) {
  int type = 0;
  if (!reply::DeviceTypeOf(item, type))
    return;
  StartWorker(FD_CALL_SITE, reply::AddressOf(item),
              [type](CMsgEvent* singleton, const reply::Address& to) {
                devices::ResetFaultyDevices(type);
                reply::PostMap(singleton, to, {{static_cast<std::uint32_t>(type), 1u}});
              });
}

void CMsgEvent::OnRecvStartServiceMsg(tagIPC_MESSAGE_ITEM& item) {
  const std::wstring name = ServiceNameOf(item);
  StartWorker(
      FD_CALL_SITE, reply::AddressOf(item), [name](CMsgEvent* singleton, const reply::Address& to) {
        const bool ok = StartServiceByName(name);
        reply::PostMap(singleton, to, platform::WideMap<std::uint32_t>{{name, ok ? 1u : 0u}});
      });
}

void CMsgEvent::OnRecvWinsockResetMsg(tagIPC_MESSAGE_ITEM&) {
  ResetWinsock();
}
