#include "DeviceMonitor/DynamicTactraDll.h"

#include "common/Log.h"
#include "hostapi/Registry.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"
#include "platform/Module.h"

namespace {
constexpr ReturnResult kNotLoaded = 1;
constexpr std::size_t kVersionBytes = 5;
}  // namespace

DynamicTactraDll& DynamicTactraDll::Instance() {
  static DynamicTactraDll instance;
  return instance;
}

void DynamicTactraDll::InitRtkFun() {
  std::wstring path;
  ORBPROCESS::HELPER::GetSelfFullFilePath(path, L"\\TactraHidAPI.dll");
  const std::string narrow = DE::UnicodeToANSI(path);
  if (!platform::PathFileExistsA(narrow)) {
    LOG_ERROR("file is not exist");
    return;
  }
  HMODULE module = platform::LoadLibraryExA(narrow.c_str(), nullptr, 0);
  if (!module) {
    LOG_ERROR("load fail");
    return;
  }
  init_ = platform::ProcAs<PlainFn>(platform::GetProcAddress(module, "InitInterface"));
  uninit_ = platform::ProcAs<PlainFn>(platform::GetProcAddress(module, "UnInitInterface"));
  register_ =
      platform::ProcAs<RegisterFn>(platform::GetProcAddress(module, "RegistCallBackWindowsLog"));
  unregister_ =
      platform::ProcAs<PlainFn>(platform::GetProcAddress(module, "UnRegistCallBackWindowsLog"));
  registerBigData_ = platform::GetProcAddress(module, "RegistCallBackTABigData");
  unregisterBigData_ = platform::GetProcAddress(module, "UnRegistCallBackTABigData");
  version_ = platform::ProcAs<VersionFn>(platform::GetProcAddress(module, "GetNowFirmwareVersion"));
  if (HMODULE earlier = module_.exchange(module))
    platform::FreeLibrary(earlier);  // loaded twice: keep one reference
}

void DynamicTactraDll::Unload() {
  init_ = nullptr;
  uninit_ = nullptr;
  register_ = nullptr;
  unregister_ = nullptr;
  registerBigData_ = nullptr;
  unregisterBigData_ = nullptr;
  version_ = nullptr;
  if (HMODULE module = module_.exchange(nullptr))
    platform::FreeLibrary(module);
}

ReturnResult DynamicTactraDll::TactraInitFunc() {
  if (PlainFn init = init_)
    return init();
  LOG_ERROR("fail");
  return kNotLoaded;
}

ReturnResult DynamicTactraDll::RegistTactraErrorCodeReportFunc(ErrorCodeCallback callback) {
  if (RegisterFn registerCallback = register_)
    return registerCallback(callback);
  LOG_ERROR("fail");
  return kNotLoaded;
}

ReturnResult DynamicTactraDll::UnRegistTactraErrorCodeReportFunc() {
  if (PlainFn unregister = unregister_)
    return unregister();
  LOG_ERROR("fail");
  return kNotLoaded;
}

std::string DynamicTactraDll::TactraVersionFunc() {
  std::uint8_t buffer[kVersionBytes] = {};
  VersionFn version = version_;
  if (!version || version(buffer) != 0) {
    LOG_ERROR("fail");
    return "";
  }
  // Byte 0 is not part of the version.
  return std::to_string(buffer[1]) + "." + std::to_string(buffer[2]) + "." +
         std::to_string(buffer[3]) + "." + std::to_string(buffer[4]);
}
