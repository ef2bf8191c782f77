#include "DeviceMonitor/DynamicDll.h"

#include "common/Log.h"
#include "hostapi/Registry.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"
#include "platform/Module.h"

namespace {
constexpr int kNotLoaded = 1;
}

DynamicDll& DynamicDll::Instance() {
  static DynamicDll instance;
  return instance;
}

void DynamicDll::Load() {
  std::string path;
  if (platform::PathFileExistsA("C:\\Windows\\RtkBTReset.dll")) {
    path = "C:\\Windows\\RtkBTReset.dll";
  } else {
    std::wstring beside;
    if (ORBPROCESS::HELPER::GetSelfFullFilePath(beside, L"\\RtkBTReset.dll") &&
        platform::PathFileExistsW(beside)) {
      path = DE::UnicodeToANSI(beside);
    }
  }
  if (path.empty())
    return;
  HMODULE module = platform::LoadLibraryExA(path.c_str(), nullptr, 0);
  if (!module)
    return;
  reset_ = platform::ProcAs<PlainFn>(platform::GetProcAddress(module, "RTKBTReset"));
  start_ = platform::ProcAs<StartFn>(platform::GetProcAddress(module, "RTKStartWatchUsbErr"));
  stop_ = platform::ProcAs<PlainFn>(platform::GetProcAddress(module, "RTKStopWatchUsbErr"));
  module_ = module;
}

void DynamicDll::Unload() {
  start_ = nullptr;
  stop_ = nullptr;
  reset_ = nullptr;
  if (HMODULE module = module_.exchange(nullptr))
    platform::FreeLibrary(module);
}

int DynamicDll::RtkBtStartWatchUsbErrFunc(UsbErrorCallback callback) {
  if (StartFn start = start_)
    return start(callback);
  LOG_ERROR("fail load dll");
  return kNotLoaded;
}

int DynamicDll::RtkBtStopWatchUsbErrFunc() {
  if (PlainFn stop = stop_)
    return stop();
  LOG_ERROR("fail load dll");
  return kNotLoaded;
}

int DynamicDll::RtkBtResetDeviceFunc() {
  if (PlainFn reset = reset_)
    return reset();
  LOG_ERROR("fail load dll");
  return kNotLoaded;
}

void LoadRealtekLibrary() {
  DynamicDll::Instance().Load();
}
