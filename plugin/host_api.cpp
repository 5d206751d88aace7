#include "plugin/host_api.h"

namespace vellum::plugin {
namespace {

constexpr std::size_t kGetVersion = HostSlotIndex("BKA_GetVersion");
constexpr std::size_t kRegisterCommand = HostSlotIndex("BKA_RegisterCommand");
constexpr std::size_t kRegisterUICallback = HostSlotIndex("BKA_RegisterUICallback");
constexpr std::size_t kGetDataFolder = HostSlotIndex("BKA_GetDataFolder");
constexpr std::size_t kGetCurrentFolder = HostSlotIndex("BKA_GetCurrentFolder");
constexpr std::size_t kSetStatus = HostSlotIndex("BKA_SetStatus");
static_assert(kGetVersion < kHostSlotCount && kRegisterCommand < kHostSlotCount &&
              kRegisterUICallback < kHostSlotCount && kGetDataFolder < kHostSlotCount &&
              kGetCurrentFolder < kHostSlotCount && kSetStatus < kHostSlotCount);

template <class Entry>
Entry Typed(EntryPoint entry) {
    return reinterpret_cast<Entry>(entry);
}

EntryPoint Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<EntryPoint>(GetProcAddress(module, name));
}

}  // namespace

int HostApi::Bind() noexcept {
    if (hostModule != nullptr) return 1;
    hostModule = GetModuleHandleA(nullptr);
    if (hostModule == nullptr) return 0;

    for (std::size_t i = 0; i < kHostSlotCount; ++i) {
        if (IsOptionalHostSlot(kHostSlotNames[i])) continue;
        entries[i] = Lookup(hostModule, kHostSlotNames[i]);
        if (entries[i] == nullptr) {
            hostModule = nullptr;
            return 0;
        }
    }
    for (const char* name : kOptionalHostSlots) entries[HostSlotIndex(name)] = Lookup(hostModule, name);

    // Older hosts lack BKA_SetStatus. A version text longer than 7 bytes is never taken for an
    // older host, whatever it compares like.
    LPCSTR version = GetVersion()();
    if (version == nullptr) version = "";
    if (lstrlenA(version) <= 7 && lstrcmpA(version, kSetStatusRequiredFrom) < 0) return 1;
    if (entries[kSetStatus] != nullptr) return 1;
    hostModule = nullptr;
    return 0;
}

GetVersionEntry HostApi::GetVersion() const noexcept { return Typed<GetVersionEntry>(entries[kGetVersion]); }

RegisterCommandEntry HostApi::RegisterCommand() const noexcept {
    return Typed<RegisterCommandEntry>(entries[kRegisterCommand]);
}

RegisterUICallbackEntry HostApi::RegisterUICallback() const noexcept {
    return Typed<RegisterUICallbackEntry>(entries[kRegisterUICallback]);
}

GetFolderEntry HostApi::GetDataFolder() const noexcept { return Typed<GetFolderEntry>(entries[kGetDataFolder]); }

GetFolderEntry HostApi::GetCurrentFolder() const noexcept {
    return Typed<GetFolderEntry>(entries[kGetCurrentFolder]);
}

}  // namespace vellum::plugin
