#include "core/fault_injection.h"

#include <atomic>
#include <cstring>

namespace kvh {
namespace {

constexpr uint32_t kSites = static_cast<uint32_t>(FaultSite::Count);

struct SiteState {
    std::atomic<uint32_t> calls{0};
    std::atomic<uint32_t> nth{0};  // 0: never fails
    std::atomic<bool> repeat{false};
};

std::atomic<bool> gActive{false};
SiteState gSites[kSites];
SiteState gRefusal;
st_KVtGUID gRefusedGuid{};
std::atomic<bool> gRefusing{false};
std::atomic<uint32_t> gInjected{0};

bool Fire(SiteState& s) {
    uint32_t call = s.calls.fetch_add(1, std::memory_order_relaxed) + 1;
    uint32_t nth = s.nth.load(std::memory_order_relaxed);
    if (nth == 0 || call < nth || (call > nth && !s.repeat.load(std::memory_order_relaxed))) return false;
    gInjected.fetch_add(1, std::memory_order_relaxed);
    return true;
}

}  // namespace

const char* FaultSiteName(FaultSite site) {
    static const char* const kNames[kSites] = {
        "Item slot 24",       "Evaluation slot 3", "Attributes slot 9",   "Attributes slot 10",
        "Attributes slot 12", "PacketService slot 4", "Scene slot 24",    "Scene slot 37",
        "ItemGraph slot 6",   "ItemGraph slot 7",  "ImageFilter slot 4",  "StdDialogService slot 4",
        "Raycast slot 3"};
    uint32_t i = static_cast<uint32_t>(site);
    return i < kSites ? kNames[i] : "?";
}

namespace faults {

void Count() { gActive.store(true, std::memory_order_release); }

void Arm(FaultSite site, uint32_t nth, bool repeat) {
    uint32_t i = static_cast<uint32_t>(site);
    if (i >= kSites) return;
    gSites[i].nth.store(nth, std::memory_order_relaxed);
    gSites[i].repeat.store(repeat, std::memory_order_relaxed);
    Count();
}

void RefuseService(const st_KVtGUID& service, uint32_t nth, bool repeat) {
    gRefusedGuid = service;
    gRefusal.calls.store(0, std::memory_order_relaxed);
    gRefusal.nth.store(nth, std::memory_order_relaxed);
    gRefusal.repeat.store(repeat, std::memory_order_relaxed);
    gRefusing.store(true, std::memory_order_release);
}

void Clear() {
    gActive.store(false, std::memory_order_release);
    gRefusing.store(false, std::memory_order_release);
    for (SiteState& s : gSites) {
        s.calls.store(0, std::memory_order_relaxed);
        s.nth.store(0, std::memory_order_relaxed);
        s.repeat.store(false, std::memory_order_relaxed);
    }
    gRefusal.nth.store(0, std::memory_order_relaxed);
    gInjected.store(0, std::memory_order_relaxed);
}

uint32_t Calls(FaultSite site) {
    uint32_t i = static_cast<uint32_t>(site);
    return i < kSites ? gSites[i].calls.load(std::memory_order_relaxed) : 0;
}

uint32_t Injected() { return gInjected.load(std::memory_order_relaxed); }

bool Hit(FaultSite site) {
    if (!gActive.load(std::memory_order_acquire)) return false;
    uint32_t i = static_cast<uint32_t>(site);
    return i < kSites && Fire(gSites[i]);
}

bool Refused(const st_KVtGUID& service) {
    if (!gRefusing.load(std::memory_order_acquire)) return false;
    if (std::memcmp(&service, &gRefusedGuid, sizeof service) != 0) return false;
    return Fire(gRefusal);
}

}  // namespace faults
}  // namespace kvh
