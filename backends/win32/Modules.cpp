// Modules over Win32: handles of loaded modules, loading, exported functions, unloading.
#include "platform/Module.h"

#include "Win32.h"

namespace platform {

HMODULE GetModuleHandleA(const char* moduleName) {
  return ::GetModuleHandleA(moduleName);
}

HMODULE GetModuleHandleFromAddress(const void* address) {
  HMODULE module = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module))
    return nullptr;
  return module;
}

HMODULE LoadLibraryExA(const char* moduleName, void* reserved, DWORD flags) {
  return ::LoadLibraryExA(moduleName, reserved, flags);
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  return ::GetProcAddress(module, procName);
}

BOOL FreeLibrary(HMODULE module) {
  return ::FreeLibrary(module);
}

}  // namespace platform
