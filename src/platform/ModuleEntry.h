#pragma once
// The module's attach and detach hooks (DllMain's DLL_PROCESS_ATTACH and DETACH).
// PLATFORM_MODULE_ENTRY(onAttach, onDetach) names two void() functions of the module.
#if defined(_WIN32)
#define PLATFORM_MODULE_ENTRY(onAttach, onDetach)                        \
  extern "C" int __stdcall DllMain(void*, unsigned long reason, void*) { \
    if (reason == 1)                                                     \
      onAttach();                                                        \
    if (reason == 0)                                                     \
      onDetach();                                                        \
    return 1;                                                            \
  }
#else
// The detach hook runs from the fini array, before the module's static objects are
// destroyed, so threads stop while everything they use still exists.
#define PLATFORM_MODULE_ENTRY(onAttach, onDetach)                   \
  __attribute__((constructor)) static void PlatformModuleAttach() { \
    onAttach();                                                     \
  }                                                                 \
  __attribute__((destructor)) static void PlatformModuleDetach() {  \
    onDetach();                                                     \
  }
#endif
