// The names and the shared record that the idle watcher and the hook library Snovid.dll agree on.
#pragma once

#include <atomic>
#include <cstdint>

namespace snovid {

inline constexpr char kMappingName[] = "Duvezode";
inline constexpr char kWakeMessageName[] = "SSNV_Awake";
inline constexpr char kLibraryFileName[] = "Snovid.dll";
inline constexpr char kHookStateExport[] = "HookState";
// The game carries the library's file under this RCDATA name, in Russian (1049).
inline constexpr char kResourceName[] = "SnovidDll";
inline constexpr unsigned kResourceLanguage = 1049;

// The 12-byte activity record in the mapping; both sides read and write it without a lock, so
// every access goes through std::atomic_ref with relaxed order (plain aligned loads and stores).
struct TSharedActivity {
    uint32_t NotifyWnd; // the watcher's hidden window, as 32 bits
    uint32_t LastTick;  // GetTickCount at the latest input
    uint8_t Armed;      // 1 while the watcher sleeps
    uint8_t reserved[3];
};
static_assert(sizeof(TSharedActivity) == 12);
inline constexpr uint32_t kRecordSize = sizeof(TSharedActivity);

// The record is written by many processes at once; relaxed atomics are the plain aligned
// accesses the design asks for, without a data race in the language's sense.
inline uint8_t loadArmed(TSharedActivity& r) { return std::atomic_ref<uint8_t>(r.Armed).load(std::memory_order_relaxed); }
inline void storeArmed(TSharedActivity& r, uint8_t v) { std::atomic_ref<uint8_t>(r.Armed).store(v, std::memory_order_relaxed); }
inline uint32_t loadLastTick(TSharedActivity& r) { return std::atomic_ref<uint32_t>(r.LastTick).load(std::memory_order_relaxed); }
inline void storeLastTick(TSharedActivity& r, uint32_t v) { std::atomic_ref<uint32_t>(r.LastTick).store(v, std::memory_order_relaxed); }
inline uint32_t loadNotifyWnd(TSharedActivity& r) { return std::atomic_ref<uint32_t>(r.NotifyWnd).load(std::memory_order_relaxed); }
inline void storeNotifyWnd(TSharedActivity& r, uint32_t v) { std::atomic_ref<uint32_t>(r.NotifyWnd).store(v, std::memory_order_relaxed); }

} // namespace snovid
