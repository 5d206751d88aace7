// A host without BKA_GetDataFolder: the command is registered, but finds no folder to convert.
#include <windows.h>

#include <gtest/gtest.h>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "../host/window_driver.h"
#include "host_variant.h"

namespace vellum::testhost {
namespace {

TEST(PluginWithoutDataFolder, IsPassive) {
    LoadedPlugin loaded;
    ExpectPassive(loaded);
}

TEST(PluginWithoutDataFolder, TheCommandReturns1AndCallsNothing) {
    LoadedPlugin loaded;
    ASSERT_TRUE(loaded.Loaded());
    Host().dataFolder = "C:\\Mail\\";
    Host().currentFolder = "box1\\inbox\\";
    ResetHostCalls();
    const HMENU menu = CreatePopupMenu();
    ASSERT_EQ(loaded.Exports().OnMenuInit(nullptr, menu, 2), 1);
    DestroyMenu(menu);
    ASSERT_EQ(Host().commands.size(), 1u);
    const HostCommandCallback command = Host().commands[0].callback;

    ResetHostCalls();
    int boxes = 0;
    {
        WindowDriver driver([&](HWND box) {
            ++boxes;
            Press(box, IDOK);
        });
        EXPECT_EQ(command(nullptr, 0), 1);
    }
    EXPECT_TRUE(Host().calls.empty());
    EXPECT_EQ(boxes, 0);
}

}  // namespace
}  // namespace vellum::testhost
