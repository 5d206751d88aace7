#include "host_variant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "../host/host_services.h"
#include "../host/window_driver.h"
#include "plugin/host_api.h"

namespace vellum::testhost {

std::vector<std::string> MissingEntryPoints() {
    std::vector<std::string> names;
    const std::string list = VELLUM_HOST_WITHOUT;
    for (std::size_t begin = 0; begin < list.size();) {
        const std::size_t comma = list.find(',', begin);
        const std::size_t end = comma == std::string::npos ? list.size() : comma;
        names.push_back(list.substr(begin, end - begin));
        begin = end + 1;
    }
    return names;
}

std::vector<std::string> RequiredEntryPoints() {
    std::vector<std::string> names;
    for (const char* name : plugin::kHostSlotNames) {
        if (!plugin::IsOptionalHostSlot(name)) names.push_back(name);
    }
    return names;
}

namespace {

int ArgumentBytesRemoved(FARPROC function, int words, int* result) {
    int value = 0;
    int count = words;
    // esi keeps the stack pointer from before the pushes, edi the one the call starts with.
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl $0\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "movl %%esp, %%edi\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%ecx\n\t"
        "subl %%edi, %%ecx\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(value), "+c"(count)
        : "b"(function)
        : "edx", "esi", "edi", "memory", "cc");
    *result = value;
    return count;
}

}  // namespace

std::map<std::string, ZeroCall> CallEveryExportWithZeros(const LoadedPlugin& plugin, int* dialogsCancelled) {
    std::map<std::string, ZeroCall> calls;
    *dialogsCancelled = 0;
    WindowDriver driver([&](HWND window) {
        ++*dialogsCancelled;
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
    for (const ExportName& e : kPluginExports) {
        ZeroCall& call = calls[e.name];
        call.bytesRemoved = ArgumentBytesRemoved(GetProcAddress(plugin.Module(), e.name), e.words, &call.result);
    }
    return calls;
}

TEST(HostExecutable, ExportsEveryEntryPointButTheMissingOnes) {
    const std::vector<std::string> missing = MissingEntryPoints();
    int exported = 0;
    for (const char* name : plugin::kHostSlotNames) {
        const bool isMissing = std::find(missing.begin(), missing.end(), name) != missing.end();
        EXPECT_EQ(ExeExports(name), !isMissing) << name;
        exported += isMissing ? 0 : 1;
    }
    EXPECT_EQ(exported + static_cast<int>(missing.size()), 59);
}

void ExpectPassive(const LoadedPlugin& plugin) {
    ASSERT_TRUE(plugin.Loaded());
    HostPluginInfo info;
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(plugin.Exports().OnPlugInInfo(&info), 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&info);
    for (std::size_t i = 0; i < sizeof info; ++i) ASSERT_EQ(bytes[i], 0x5Au) << "byte " << i;

    ResetHostCalls();
    int dialogs = 0;
    const std::map<std::string, ZeroCall> calls = CallEveryExportWithZeros(plugin, &dialogs);
    EXPECT_EQ(dialogs, 0);
    for (const ExportName& e : kPluginExports) {
        EXPECT_EQ(calls.at(e.name).bytesRemoved, 4 * e.words) << e.name;
        EXPECT_EQ(calls.at(e.name).result, 0) << e.name;
    }
    EXPECT_TRUE(Host().calls.empty());  // menu type 0 included: nothing asked of the host
}

}  // namespace vellum::testhost
