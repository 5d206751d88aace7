// A host that lacks the optional entry points other than BKA_SetStatus still binds.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "../host/test_support.h"
#include "host_variant.h"
#include "plugin/host_api.h"

namespace vellum::testhost {
namespace {

TEST(BindWithoutOptional, BindsWithThoseSlotsEmpty) {
    const std::vector<std::string> missing = MissingEntryPoints();
    ASSERT_EQ(missing.size(), 4u);
    for (const std::string& name : missing) EXPECT_TRUE(plugin::IsOptionalHostSlot(name)) << name;
    for (const char* version : {"2.00.06", "2.00.05", "10.00.00"}) {
        SCOPED_TRACE(version);
        Host().version = version;
        plugin::HostApi api;
        EXPECT_EQ(api.Bind(), 1);
        EXPECT_EQ(api.hostModule, GetModuleHandleA(nullptr));
        for (std::size_t i = 0; i < plugin::kHostSlotCount; ++i) {
            const bool isMissing = std::find(missing.begin(), missing.end(), plugin::kHostSlotNames[i]) != missing.end();
            EXPECT_EQ(api.entries[i] == nullptr, isMissing) << plugin::kHostSlotNames[i];
        }
    }
    Host().version = "2.00.06";
}

TEST(PluginWithoutOptional, IsActive) {
    LoadedPlugin loaded;
    ASSERT_TRUE(loaded.Loaded());
    HostPluginInfo info{};
    EXPECT_EQ(loaded.Exports().OnPlugInInfo(&info), 0);
    EXPECT_EQ(std::string(info.description), Cp932("ベラムテキスト変換。(UTF-8で出力)"));
}

}  // namespace
}  // namespace vellum::testhost
