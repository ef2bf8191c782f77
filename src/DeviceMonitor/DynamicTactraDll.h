#pragma once
// The touchpad vendor library "TactraHidAPI.dll" beside the plug-in, loaded at run time.
// Each wrapper returns the library's result, or 1 with a "fail" log line when its entry is
// missing.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

using ReturnResult = int;

class DynamicTactraDll {
 public:
  using ErrorCodeCallback = void (*)(std::uint32_t code);

  static DynamicTactraDll& Instance();

  // Loads the library and looks up its entries.
  void InitRtkFun();
  // Unloads the library and forgets its entries (the plug-in's stop).
  void Unload();

  ReturnResult TactraInitFunc();
  ReturnResult RegistTactraErrorCodeReportFunc(ErrorCodeCallback callback);
  ReturnResult UnRegistTactraErrorCodeReportFunc();
  // The touchpad firmware version "1.2.3.4"; empty when it cannot be read.
  std::string TactraVersionFunc();

 private:
  using PlainFn = ReturnResult (*)();
  using RegisterFn = ReturnResult (*)(ErrorCodeCallback);
  using VersionFn = int (*)(std::uint8_t* buffer);
  DynamicTactraDll() = default;

  std::atomic<HMODULE> module_{nullptr};
  std::atomic<PlainFn> init_{nullptr};
  std::atomic<PlainFn> uninit_{nullptr};
  std::atomic<RegisterFn> register_{nullptr};
  std::atomic<PlainFn> unregister_{nullptr};
  std::atomic<FARPROC> registerBigData_{nullptr};
  std::atomic<FARPROC> unregisterBigData_{nullptr};
  std::atomic<VersionFn> version_{nullptr};
};
