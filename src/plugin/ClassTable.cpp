#include "plugin/ClassTable.h"

#include "plugin/FaultDetectPlugin.h"
#include "plugin/NormalObject.h"

namespace x3plugin {

namespace {

bool SupportsVexPlugin(std::uint32_t interfaceId) {
  return interfaceId == VexPluginInterfaceId();
}

const ClassEntry kClassTable[] = {
    {1, "NormalObject<CFaultDetectPlugin>", kFaultDetectClassId,
     &x3::NormalObject<CFaultDetectPlugin>::Create, &SupportsVexPlugin},
    {0, "", "", nullptr, nullptr},
};

const ClassEntry* const kClassTables[] = {kClassTable, nullptr};

}  // namespace

const ClassEntry* const* ClassTables() {
  return kClassTables;
}

}  // namespace x3plugin
