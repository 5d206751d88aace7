// A host without BKA_RegisterCommand: the menu entry point finds its slot empty and does nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "host_variant.h"

namespace vellum::testhost {
namespace {

TEST(PluginWithoutRegisterCommand, IsPassive) {
    LoadedPlugin loaded;
    ExpectPassive(loaded);
}

TEST(PluginWithoutRegisterCommand, MenuInitCallsNothing) {
    LoadedPlugin loaded;
    ASSERT_TRUE(loaded.Loaded());
    const HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 100, "Item");
    for (int type : {0, 1, 2, 3}) {
        SCOPED_TRACE(type);
        ResetHostCalls();
        EXPECT_EQ(loaded.Exports().OnMenuInit(nullptr, menu, type), 0);
        EXPECT_TRUE(Host().calls.empty());
        EXPECT_EQ(GetMenuItemCount(menu), 1);
    }
    DestroyMenu(menu);
}

}  // namespace
}  // namespace vellum::testhost
