#pragma once
// The Realtek Bluetooth reset library, loaded at run time. Each wrapper returns the
// library's result, or 1 with a "fail load dll" log line when its entry is missing.
#include <atomic>

#include "platform/WinTypes.h"

class DynamicDll {
 public:
  using UsbErrorCallback = void (*)(int);

  static DynamicDll& Instance();

  // From "C:\\Windows\\RtkBTReset.dll", else from the plug-in's folder.
  void Load();
  // Unloads the library and forgets its entries.
  void Unload();

  int RtkBtStartWatchUsbErrFunc(UsbErrorCallback callback);
  int RtkBtStopWatchUsbErrFunc();
  int RtkBtResetDeviceFunc();

 private:
  using StartFn = int (*)(UsbErrorCallback);
  using PlainFn = int (*)();
  DynamicDll() = default;

  std::atomic<HMODULE> module_{nullptr};
  std::atomic<StartFn> start_{nullptr};
  std::atomic<PlainFn> stop_{nullptr};
  std::atomic<PlainFn> reset_{nullptr};
};

// Loads the library and its entries (registration step of the dispatcher).
void LoadRealtekLibrary();
