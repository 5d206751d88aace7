// A host that lacks one required entry point, the 30th in slot order: the binding stops there.
#include <windows.h>

#include <gtest/gtest.h>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "host_variant.h"
#include "plugin/host_api.h"

namespace vellum::testhost {
namespace {

TEST(BindWithout30thRequired, StopsWith29SlotsFilled) {
    const std::vector<std::string> required = RequiredEntryPoints();
    ASSERT_EQ(required.size(), 54u);
    ASSERT_EQ(MissingEntryPoints(), std::vector<std::string>{required[29]});

    ResetHostCalls();
    plugin::HostApi api;
    EXPECT_EQ(api.Bind(), 0);
    EXPECT_EQ(api.hostModule, nullptr);
    EXPECT_TRUE(Host().calls.empty());  // the version is never asked

    int filled = 0;
    std::size_t requiredSeen = 0;
    for (std::size_t i = 0; i < plugin::kHostSlotCount; ++i) {
        const char* name = plugin::kHostSlotNames[i];
        // Required slots before the gap keep their addresses; the gap, every later slot and the
        // optional ones (looked up only after all required ones) stay empty.
        const bool expectFilled = !plugin::IsOptionalHostSlot(name) && requiredSeen++ < 29;
        EXPECT_EQ(api.entries[i] != nullptr, expectFilled) << name;
        filled += api.entries[i] != nullptr ? 1 : 0;
    }
    EXPECT_EQ(filled, 29);
}

TEST(PluginWithout30thRequired, IsPassive) {
    LoadedPlugin loaded;
    ExpectPassive(loaded);
}

TEST(PluginWithout30thRequired, TheMenuCommandUsesWhatWasBound) {
    // BKA_RegisterCommand and BKA_RegisterUICallback come before the gap.
    LoadedPlugin loaded;
    ASSERT_TRUE(loaded.Loaded());
    ResetHostCalls();
    const HMENU menu = CreatePopupMenu();
    EXPECT_EQ(loaded.Exports().OnMenuInit(nullptr, menu, 2), 1);
    EXPECT_EQ(Host().calls, (std::vector<std::string>{"BKA_RegisterCommand", "BKA_RegisterUICallback"}));
    DestroyMenu(menu);
}

}  // namespace
}  // namespace vellum::testhost
