// A host without BKA_SetStatus: the version it reports decides whether the plug-in binds.
#include <windows.h>

#include <gtest/gtest.h>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "../host/test_support.h"
#include "host_variant.h"
#include "plugin/host_api.h"

namespace vellum::testhost {
namespace {

using plugin::HostApi;

TEST(BindWithoutSetStatus, OnlyOlderHostsBind) {
    const struct {
        const char* version;
        int bound;
    } cases[] = {
        {"2.00.05", 1},   // sorts before 2.00.06
        {"2.00", 1},      // a prefix sorts first
        {"1.26.04", 1},
        {"", 1},
        {"2.00.06", 0},   // the first version that must offer BKA_SetStatus
        {"2.00.07", 0},
        {"2.1", 0},       // sorts after 2.00.06
        {"10.00.00", 0},  // sorts before, but longer than 7 bytes: never an older host
        {"2.00.05a", 0},  // 8 bytes
    };
    const std::size_t setStatus = plugin::HostSlotIndex("BKA_SetStatus");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        Host().version = c.version;
        ResetHostCalls();
        HostApi api;
        EXPECT_EQ(api.Bind(), c.bound);
        EXPECT_EQ(api.hostModule, c.bound ? GetModuleHandleA(nullptr) : nullptr);
        EXPECT_EQ(Host().calls, std::vector<std::string>{"BKA_GetVersion"});
        // Every lookup was done before the version was asked: all slots but BKA_SetStatus filled.
        for (std::size_t i = 0; i < plugin::kHostSlotCount; ++i) {
            EXPECT_EQ(api.entries[i] != nullptr, i != setStatus) << plugin::kHostSlotNames[i];
        }
    }
}

TEST(BindWithoutSetStatus, AFailedBindStartsOverNextTime) {
    HostApi api;
    Host().version = "2.00.06";
    EXPECT_EQ(api.Bind(), 0);
    Host().version = "2.00.05";
    ResetHostCalls();
    EXPECT_EQ(api.Bind(), 1);
    EXPECT_EQ(Host().calls, std::vector<std::string>{"BKA_GetVersion"});
}

TEST(PluginWithoutSetStatus, NewerHostLeavesThePluginPassive) {
    Host().version = "2.00.06";
    LoadedPlugin loaded;
    ExpectPassive(loaded);
}

TEST(PluginWithoutSetStatus, OlderHostGetsAnActivePlugin) {
    Host().version = "2.00.05";
    LoadedPlugin loaded;
    ASSERT_TRUE(loaded.Loaded());
    HostPluginInfo info{};
    EXPECT_EQ(loaded.Exports().OnPlugInInfo(&info), 0);
    EXPECT_EQ(std::string(info.name), Cp932("ベラムテキスト変換(UTF-8)"));
}

TEST(PluginWithoutSetStatus, ThePassiveLibraryStillOffersItsMenuCommand) {
    // The menu works on the host table, whose slots the version rule left filled.
    Host().version = "2.00.06";
    LoadedPlugin loaded;
    ASSERT_TRUE(loaded.Loaded());
    ResetHostCalls();
    const HMENU menu = CreatePopupMenu();
    EXPECT_EQ(loaded.Exports().OnMenuInit(nullptr, menu, 2), 1);
    EXPECT_EQ(Host().commands.size(), 1u);
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    DestroyMenu(menu);
}

}  // namespace
}  // namespace vellum::testhost
