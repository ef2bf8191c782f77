#include "plugin/InterfaceId.h"

namespace x3plugin {

std::uint32_t HashInterfaceName(const char* name) {
  std::uint32_t hash = 0;
  for (const char* p = name; *p; ++p) {
    hash = hash * 33 +
           static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(*p)));
  }
  return hash;
}

std::uint32_t IObjectInterfaceId() {
  static const std::uint32_t id = HashInterfaceName("IObject");
  return id;
}

std::uint32_t VexPluginInterfaceId() {
  static const std::uint32_t id = HashInterfaceName("IVexPlugin");
  return id;
}

}  // namespace x3plugin
