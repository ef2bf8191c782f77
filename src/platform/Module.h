#pragma once
// Module loading: GetModuleHandleA, LoadLibraryExA, GetProcAddress, FreeLibrary.
// Module names are Windows file names ("PluginsManager.dll").
#include "platform/WinTypes.h"

namespace platform {

// GetModuleHandleA: the handle of a module already loaded in the process, or null.
// Does not change the module's reference count.
HMODULE GetModuleHandleA(const char* moduleName);

// GetModuleHandleExW with GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS and
// GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT: the module that holds address.
HMODULE GetModuleHandleFromAddress(const void* address);

// LoadLibraryExA(name, nullptr, flags): loads the module or adds a reference; null on failure.
HMODULE LoadLibraryExA(const char* moduleName, void* reserved, DWORD flags);

// GetProcAddress: an exported function, or null.
FARPROC GetProcAddress(HMODULE module, const char* procName);

// An exported function as the type it really has. Goes through void (*)(), the one function
// pointer type that compilers accept a cast from without a warning.
template <class Function>
Function ProcAs(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

// FreeLibrary: drops one reference; the module is unloaded with the last one.
BOOL FreeLibrary(HMODULE module);

}  // namespace platform
