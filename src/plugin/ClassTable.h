#pragma once
// The module's class table: the classes it can create, walked by creation and registration.
#include <cstdint>

#include "hostapi/X3Object.h"

namespace x3plugin {

constexpr char kFaultDetectClassId[] = "E6D95242-03DB-4F6B-8CBA-346ED41B643B";
// Kinds of 10 and above are singleton kinds.
constexpr std::uint32_t kSingletonKindMin = 10;

struct ClassEntry {
  std::uint32_t kind;
  const char* className;
  const char* classId;
  x3::IObject* (*creator)(std::uint32_t interfaceId);
  bool (*hasInterface)(std::uint32_t interfaceId);
};

// Null-terminated list of class tables; each table ends with an entry whose creator is null.
const ClassEntry* const* ClassTables();

}  // namespace x3plugin
