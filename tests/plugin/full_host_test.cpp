// The binding against a host that offers all 59 entry points.
#include <windows.h>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "host_variant.h"
#include "plugin/host_api.h"
#include "plugin/plugin_logic.h"

namespace vellum::testhost {
namespace {

using plugin::HostApi;
using plugin::kHostSlotCount;
using plugin::kHostSlotNames;

TEST(BindFullHost, FillsEverySlotWithTheHostsEntryPoint) {
    ResetHostCalls();
    Host().version = "2.00.06";
    HostApi api;
    EXPECT_EQ(api.Bind(), 1);
    EXPECT_EQ(api.hostModule, GetModuleHandleA(nullptr));
    for (std::size_t i = 0; i < kHostSlotCount; ++i) {
        const auto expected = reinterpret_cast<plugin::EntryPoint>(GetProcAddress(GetModuleHandleA(nullptr), kHostSlotNames[i]));
        ASSERT_NE(expected, nullptr) << kHostSlotNames[i];
        EXPECT_EQ(api.entries[i], expected) << kHostSlotNames[i];
    }
    // Of the host's entry points only the version is called by the binding.
    EXPECT_EQ(Host().calls, std::vector<std::string>{"BKA_GetVersion"});
}

TEST(BindFullHost, AnyVersionBindsWhenSetStatusIsThere) {
    for (const char* version : {"2.00.05", "2.00.06", "2.1", "10.00.00", "2.00", "", "2.00.06 beta"}) {
        SCOPED_TRACE(version);
        Host().version = version;
        HostApi api;
        EXPECT_EQ(api.Bind(), 1);
        EXPECT_EQ(api.hostModule, GetModuleHandleA(nullptr));
    }
    Host().version = "2.00.06";
}

TEST(BindFullHost, ASecondBindLooksNothingUp) {
    HostApi api;
    ASSERT_EQ(api.Bind(), 1);
    const plugin::EntryPoint marker = reinterpret_cast<plugin::EntryPoint>(&ResetHostCalls);
    api.entries[3] = marker;
    ResetHostCalls();
    EXPECT_EQ(api.Bind(), 1);
    EXPECT_TRUE(Host().calls.empty());
    EXPECT_EQ(api.entries[3], marker);
}

// The guard that every export and callback runs its body through.
TEST(Guarded, TurnsAnyEscapingExceptionIntoTheFailureResult) {
    EXPECT_EQ(plugin::Guarded(7, [] { return 3; }), 3);
    EXPECT_EQ(plugin::Guarded(7, []() -> int { throw std::bad_alloc(); }), 7);
    EXPECT_EQ(plugin::Guarded(7, []() -> int { throw std::runtime_error("x"); }), 7);
    EXPECT_EQ(plugin::Guarded(7, []() -> int { throw 42; }), 7);
    EXPECT_EQ(plugin::Guarded<INT_PTR>(FALSE, []() -> INT_PTR { throw std::length_error("x"); }), FALSE);
}

TEST(ActivePlugin, EveryExportTakesItsArgumentsOffTheStack) {
    LoadedPlugin loaded;
    ASSERT_TRUE(loaded.Loaded());
    ResetHostCalls();
    int dialogs = 0;
    const std::map<std::string, ZeroCall> calls = CallEveryExportWithZeros(loaded, &dialogs);
    for (const ExportName& e : kPluginExports) {
        EXPECT_EQ(calls.at(e.name).bytesRemoved, 4 * e.words) << e.name;
        // The setup entry showed its dialog (cancelled here) and answers 1; all else answer 0.
        EXPECT_EQ(calls.at(e.name).result, std::string(e.name) == "BKC_OnPlugInSetup" ? 1 : 0) << e.name;
    }
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(Host().calls.empty());
}

}  // namespace
}  // namespace vellum::testhost
