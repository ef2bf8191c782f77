#include "plugin/Exports.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "hostapi/X3PluginManager.h"
#include "platform/Module.h"
#include "plugin/ClassTable.h"

namespace x3plugin {

namespace {

// Touched from the loader thread and the host's threads without locks, as the protocol
// expects: the init count is a plain integer.
struct ModuleState {
  int initCount = 0;
  HMODULE manager = nullptr;
  bool managerLoaded = false;
  HMODULE ownModule = nullptr;
  HMODULE published = nullptr;
  x3::IObject** singletons = nullptr;
  int singletonCount = 0;
  int singletonCapacity = 0;
};

ModuleState state;

constexpr std::size_t kMaxClassIds = 64;

template <class Visit>
void ForEachEntry(Visit visit) {
  for (const ClassEntry* const* table = ClassTables(); *table; ++table) {
    for (const ClassEntry* entry = *table; entry->creator; ++entry) {
      if (!visit(*entry))
        return;
    }
  }
}

}  // namespace

HMODULE PublishedInstanceHandle() {
  return state.published;
}
int InitCount() {
  return state.initCount;
}
bool ManagerLoadedByModule() {
  return state.managerLoaded;
}

}  // namespace x3plugin

using x3plugin::ClassEntry;
using x3plugin::ForEachEntry;
using x3plugin::kMaxClassIds;
using x3plugin::state;

extern "C" {

bool x3InitPlugin(HMODULE module, HMODULE manager) {
  if (++state.initCount != 1)
    return true;

  int singletonKinds = 0;
  ForEachEntry([&](const ClassEntry& e) {
    if (e.kind >= x3plugin::kSingletonKindMin)
      ++singletonKinds;
    return true;
  });
  if (singletonKinds > 0 && !state.singletons) {
    const int slots = std::max(singletonKinds, state.singletonCapacity);
    state.singletons = new x3::IObject*[slots]();
    state.singletonCount = state.singletonCapacity = slots;
  }

  state.ownModule = module;
  if (!state.manager) {
    HMODULE found = manager;
    if (!found) {
      found = platform::GetModuleHandleA("PluginsManager.dll");
      if (!found) {
        found =
            platform::LoadLibraryExA("PluginsManager.dll", nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        state.managerLoaded = found != nullptr;
      }
    }
    state.manager = found;
    if (!state.manager) {
      state.published = module;
      return true;
    }
  }
  if (state.manager == module) {
    state.published = module;
    return true;
  }
  auto reg = platform::ProcAs<PFNX3REGISTERPLUGIN>(
      platform::GetProcAddress(state.manager, "x3RegisterPlugin"));
  if (!reg) {
    state.published = module;
    return true;
  }
  const char* ids[kMaxClassIds + 1] = {};
  std::size_t count = 0;
  ForEachEntry([&](const ClassEntry& e) {
    if (count == kMaxClassIds)
      return false;
    ids[count++] = e.classId;
    return true;
  });
  if (reg(&x3InternalCreate, module, ids))
    state.published = module;
  return true;
}

bool x3FreePlugin() {
  if (state.initCount-- != 1)
    return false;

  bool keepPublished = false;
  if (state.manager && state.manager != state.ownModule) {
    auto unreg = platform::ProcAs<PFNX3UNREGISTERPLUGIN>(
        platform::GetProcAddress(state.manager, "x3UnregisterPlugin"));
    if (unreg && !unreg(&x3InternalCreate))
      keepPublished = true;
  }
  if (!keepPublished)
    state.published = nullptr;
  if (state.managerLoaded) {
    platform::FreeLibrary(state.manager);
    state.managerLoaded = false;
  }
  // Forget the manager too, so a later first init looks it up afresh instead of trusting
  // a handle that its owner may have unloaded meanwhile.
  state.manager = nullptr;
  if (state.singletons) {
    for (int i = 0; i < state.singletonCount; ++i) {
      delete state.singletons[i];
      state.singletons[i] = nullptr;
    }
    delete[] state.singletons;
    state.singletons = nullptr;
  }
  return true;
}

bool x3InternalCreate(const char* classId, std::uint32_t interfaceId, x3::IObject** out) {
  *out = nullptr;
  const char* wanted = classId ? classId : "";
  if (*wanted == '\0') {
    ForEachEntry([&](const ClassEntry& e) {
      if (!e.hasInterface(interfaceId))
        return true;
      wanted = e.classId;
      return false;
    });
  }
  const ClassEntry* match = nullptr;
  ForEachEntry([&](const ClassEntry& e) {
    if (std::strcmp(e.classId, wanted) != 0)
      return true;
    match = &e;
    return false;
  });
  if (!match)
    return false;
  *out = match->creator(interfaceId);
  return *out != nullptr;
}

bool x3CreateObject(const char* classId, std::uint32_t interfaceId, x3::IObject** out) {
  return x3InternalCreate(classId, interfaceId, out);
}

bool x3InitializePlugin() {
  state.published = state.ownModule;
  return true;
}

void x3UninitializePlugin() {
  state.published = nullptr;
}

}  // extern "C"
