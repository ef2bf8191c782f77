// Module loading over dlopen: "X.dll" is "libX.so" in the folder of the emulator library.
#include <dlfcn.h>

#include <string>

#include "emu/Faults.h"
#include "emu/Scheduler.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "platform/Module.h"

namespace platform {

namespace {

std::string LibraryFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || !info.dli_fname)
    return ".";
  std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string SharedObjectPath(const char* moduleName) {
  std::string name = moduleName ? moduleName : "";
  const auto slash = name.find_last_of("/\\");
  if (slash != std::string::npos)
    name = name.substr(slash + 1);
  if (name.size() > 4) {
    std::string ext = name.substr(name.size() - 4);
    for (auto& c : ext)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".dll")
      name.resize(name.size() - 4);
  }
  return LibraryFolder() + "/lib" + name + ".so";
}

}  // namespace

HMODULE GetModuleHandleA(const char* moduleName) {
  void* handle = dlopen(SharedObjectPath(moduleName).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle)
    dlclose(handle);  // NOLOAD added a reference; keep the count unchanged
  return handle;
}

HMODULE GetModuleHandleFromAddress(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || !info.dli_fname)
    return nullptr;
  void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  if (handle)
    dlclose(handle);
  return handle;
}

HMODULE LoadLibraryExA(const char* moduleName, void*, DWORD) {
  if (const auto error =
          emu::InjectedFault(emu::FaultOf("LoadLibraryExA"), moduleName ? moduleName : "")) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
  const std::string path = SharedObjectPath(moduleName);
  void* already = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (already)
    return already;  // one more reference, as on Windows
  // A fresh load starts a new life of the module: its threads may run again.
  emu::Scheduler::Instance().AllowModuleThreads();
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  if (!module)
    return nullptr;
  if (const auto error =
          emu::InjectedFault(emu::FaultOf("GetProcAddress"), procName ? procName : "")) {
    SetLastError(static_cast<DWORD>(*error));
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(dlsym(module, procName));
}

BOOL FreeLibrary(HMODULE module) {
  return module && dlclose(module) == 0;
}

void OutputDebugStringW(const std::wstring& text) {
  emu::Transcript::Instance().Write("debug", {{"text", DE::UnicodeToUTF8(text)}});
}

}  // namespace platform
