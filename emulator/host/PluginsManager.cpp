// The host's plug-in manager library ("PluginsManager.dll"): modules register their creator
// and class ids at load time; the host creates objects by class id through the creator.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "emu/Transcript.h"
#include "hostapi/X3PluginManager.h"

namespace {

struct Registration {
  PFNX3INTERNALCREATE creator;
  HMODULE module;
  std::vector<std::string> classIds;
};

std::mutex mu;
std::vector<Registration> registrations;

}  // namespace

extern "C" {

bool x3RegisterPlugin(PFNX3INTERNALCREATE creator, HMODULE module, const char** classIds) {
  if (!creator || !classIds)
    return false;
  Registration reg{creator, module, {}};
  for (const char** id = classIds; *id && reg.classIds.size() < 64; ++id) {
    reg.classIds.emplace_back(*id);
  }
  {
    std::lock_guard lock(mu);
    auto same = [creator](const Registration& r) { return r.creator == creator; };
    if (std::any_of(registrations.begin(), registrations.end(), same))
      return false;
    registrations.push_back(reg);
  }
  emu::Transcript::Instance().Write("host",
                                    {{"op", "x3RegisterPlugin"}, {"class_ids", reg.classIds}});
  return true;
}

bool x3UnregisterPlugin(PFNX3INTERNALCREATE creator) {
  std::size_t removed = 0;
  {
    std::lock_guard lock(mu);
    removed = std::erase_if(registrations,
                            [creator](const Registration& r) { return r.creator == creator; });
  }
  if (removed)
    emu::Transcript::Instance().Write("host", {{"op", "x3UnregisterPlugin"}});
  return removed > 0;
}

bool x3CreateObjectByClassId(const char* classId, std::uint32_t interfaceId, x3::IObject** out) {
  if (!out)
    return false;
  *out = nullptr;
  PFNX3INTERNALCREATE creator = nullptr;
  {
    std::lock_guard lock(mu);
    for (const auto& r : registrations) {
      if (std::find(r.classIds.begin(), r.classIds.end(), classId) != r.classIds.end()) {
        creator = r.creator;
        break;
      }
    }
  }
  return creator && creator(classId, interfaceId, out);
}

int x3RegisteredPluginCount() {
  std::lock_guard lock(mu);
  return static_cast<int>(registrations.size());
}

}  // extern "C"
