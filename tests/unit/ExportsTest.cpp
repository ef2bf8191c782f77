// The module's x3 exports, linked statically: init nesting, creation rules, reference
// counting and the plug-in manager hand-shake (with the real manager library).
#include <gtest/gtest.h>

#include "hostapi/X3PluginManager.h"
#include "platform/Module.h"
#include "plugin/ClassTable.h"
#include "plugin/Exports.h"
#include "plugin/FaultDetectPlugin.h"
#include "plugin/InterfaceId.h"
#include "plugin/NormalObject.h"

namespace {

using x3plugin::kFaultDetectClassId;

int RegisteredCount() {
  HMODULE manager = platform::GetModuleHandleA("PluginsManager.dll");
  if (!manager)
    return -1;
  auto count =
      reinterpret_cast<int (*)()>(platform::GetProcAddress(manager, "x3RegisteredPluginCount"));
  return count ? count() : -1;
}

// This test process stands in for the module: any address inside it will do as its handle.
HMODULE OwnHandle() {
  return reinterpret_cast<HMODULE>(0x1000);
}

TEST(InterfaceId, HashIsTimes33PlusSignedByte) {
  EXPECT_EQ(x3plugin::HashInterfaceName(""), 0u);
  EXPECT_EQ(x3plugin::HashInterfaceName("IObject"), 2999720224u);
  EXPECT_EQ(x3plugin::HashInterfaceName("IVexPlugin"), 1452786987u);
  EXPECT_EQ(x3plugin::HashInterfaceName("\xff"), 0xFFFFFFFFu);  // the byte counts as -1
  EXPECT_EQ(x3plugin::HashInterfaceName("a\xe9"), 0xC6Au);
  EXPECT_EQ(x3plugin::VexPluginInterfaceId(), 1452786987u);
  EXPECT_EQ(x3plugin::IObjectInterfaceId(), 2999720224u);
}

TEST(Creation, ByClassIdOrByInterface) {
  const auto vex = x3plugin::VexPluginInterfaceId();
  x3::IObject* object = reinterpret_cast<x3::IObject*>(0x1);
  ASSERT_TRUE(x3CreateObject(kFaultDetectClassId, vex, &object));
  ASSERT_NE(object, nullptr);
  auto* normal = static_cast<x3::NormalObject<CFaultDetectPlugin>*>(object);
  EXPECT_EQ(normal->RefCount(), 1);
  EXPECT_STREQ(object->GetClassId(), kFaultDetectClassId);
  EXPECT_STREQ(object->GetClassTypeName(), "CFaultDetectPlugin");
  EXPECT_EQ(object->Release(), 0);  // never destroys: the object is still usable
  EXPECT_EQ(object->AddRef(), 1);

  // QueryObject answers only IVexPlugin, and leaves out untouched otherwise.
  x3::IObject* out = reinterpret_cast<x3::IObject*>(0x2);
  EXPECT_FALSE(object->QueryObject(x3plugin::IObjectInterfaceId(), &out));
  EXPECT_EQ(out, reinterpret_cast<x3::IObject*>(0x2));
  EXPECT_TRUE(object->QueryObject(vex, &out));
  EXPECT_EQ(out, object);
  EXPECT_EQ(normal->RefCount(), 2);

  auto* plugin = static_cast<IVexPlugin*>(object);
  EXPECT_TRUE(plugin->Reserved1());
  EXPECT_TRUE(plugin->Reserved2());
  delete object;

  // An empty class id picks the first class that supports the interface.
  x3::IObject* byInterface = nullptr;
  ASSERT_TRUE(x3InternalCreate("", vex, &byInterface));
  delete byInterface;
  x3::IObject* none = reinterpret_cast<x3::IObject*>(0x3);
  EXPECT_FALSE(x3InternalCreate("", x3plugin::IObjectInterfaceId(), &none));
  EXPECT_EQ(none, nullptr);
  EXPECT_FALSE(x3InternalCreate(kFaultDetectClassId, x3plugin::IObjectInterfaceId(), &none));
  EXPECT_EQ(none, nullptr);
  EXPECT_FALSE(x3InternalCreate("e6d95242-03db-4f6b-8cba-346ed41b643b", vex, &none));  // case
  EXPECT_EQ(none, nullptr);
}

TEST(ModuleInit, RegistersWithTheLoadedManagerOnceAndLeavesItLoaded) {
  HMODULE manager = platform::LoadLibraryExA("PluginsManager.dll", nullptr, 0);
  ASSERT_NE(manager, nullptr);
  ASSERT_EQ(RegisteredCount(), 0);

  EXPECT_TRUE(x3InitPlugin(OwnHandle(), nullptr));
  EXPECT_EQ(RegisteredCount(), 1);
  EXPECT_EQ(x3plugin::PublishedInstanceHandle(), OwnHandle());
  EXPECT_FALSE(x3plugin::ManagerLoadedByModule());

  // Nested: no second load or registration, and the matching free unregisters nothing.
  EXPECT_TRUE(x3InitPlugin(OwnHandle(), nullptr));
  EXPECT_EQ(x3plugin::InitCount(), 2);
  EXPECT_EQ(RegisteredCount(), 1);
  EXPECT_FALSE(x3FreePlugin());
  EXPECT_EQ(RegisteredCount(), 1);

  EXPECT_TRUE(x3FreePlugin());
  EXPECT_EQ(RegisteredCount(), 0);
  EXPECT_EQ(x3plugin::PublishedInstanceHandle(), nullptr);
  EXPECT_EQ(platform::GetModuleHandleA("PluginsManager.dll"), manager);  // host's load stays

  EXPECT_TRUE(x3InitializePlugin());
  EXPECT_EQ(x3plugin::PublishedInstanceHandle(), OwnHandle());
  x3UninitializePlugin();
  EXPECT_EQ(x3plugin::PublishedInstanceHandle(), nullptr);
  platform::FreeLibrary(manager);
}

TEST(ModuleInit, LoadsTheManagerItselfWhenNobodyHasAndFreesIt) {
  ASSERT_EQ(platform::GetModuleHandleA("PluginsManager.dll"), nullptr);
  EXPECT_TRUE(x3InitPlugin(OwnHandle(), nullptr));
  EXPECT_TRUE(x3plugin::ManagerLoadedByModule());
  EXPECT_EQ(RegisteredCount(), 1);
  EXPECT_TRUE(x3FreePlugin());
  EXPECT_FALSE(x3plugin::ManagerLoadedByModule());
  EXPECT_EQ(platform::GetModuleHandleA("PluginsManager.dll"), nullptr);
}

TEST(ModuleInit, ManagerThatIsTheModuleItselfIsNotAskedToRegister) {
  HMODULE manager = platform::LoadLibraryExA("PluginsManager.dll", nullptr, 0);
  ASSERT_NE(manager, nullptr);
  EXPECT_TRUE(x3InitPlugin(manager, manager));
  EXPECT_EQ(RegisteredCount(), 0);
  EXPECT_EQ(x3plugin::PublishedInstanceHandle(), manager);
  EXPECT_TRUE(x3FreePlugin());
  EXPECT_EQ(x3plugin::PublishedInstanceHandle(), nullptr);
  platform::FreeLibrary(manager);
}

}  // namespace
