// Host-side fault injection for robustness runs: a host call that can fail
// is made to fail on a chosen call, and the root context can refuse a
// service. Everything is off by default; a disarmed site costs one relaxed
// atomic load per call.
//
//   kvh::faults::Arm(kvh::FaultSite::EvaluationAdd, 2);   // the 2nd call fails
//   ... drive a plug-in ...
//   uint32_t calls = kvh::faults::Calls(kvh::FaultSite::EvaluationAdd);
//   kvh::faults::Clear();
//
// A failing call returns kvh::kInjectedFault (Raycast slot 3 returns null).
// Process wide: arm, run and clear from one thread; the counters are atomic
// so shading threads may hit armed sites.
#pragma once

#include <cstdint>

#include <kv/kv_types.h>

namespace kvh {

// A failure code no host path produces otherwise, so a plug-in that hands it
// back can be told from one that invents its own.
constexpr KvResult kInjectedFault = static_cast<KvResult>(0x8000FA17u);

enum class FaultSite : uint32_t {
    ItemChannelLookup,    // Item slot 24
    EvaluationAdd,        // Evaluation slot 3
    AttributesValue,      // Attributes slot 9
    AttributesInt,        // Attributes slot 10
    AttributesFloat,      // Attributes slot 12
    PacketLookup,         // PacketService slot 4
    SceneGraph,           // Scene slot 24
    SceneCamera,          // Scene slot 37
    ItemGraphCount,       // ItemGraph slot 6
    ItemGraphByIndex,     // ItemGraph slot 7
    ImageFilterGenerate,  // ImageFilter slot 4
    DialogMonitor,        // StdDialogService slot 4
    RaycastPush,          // Raycast / Raycast1 slot 3 (null vector)
    Count
};
const char* FaultSiteName(FaultSite site);

namespace faults {

// Starts counting calls of every site (Calls) without failing any.
void Count();
// Counts, and makes call `nth` (1 = the first since Clear) of `site` fail;
// with `repeat`, every later call fails as well.
void Arm(FaultSite site, uint32_t nth, bool repeat = false);
// The root context refuses `service` on its nth query (1 = the first), and
// with `repeat` on every later one.
void RefuseService(const st_KVtGUID& service, uint32_t nth, bool repeat = true);
// Disarms everything, stops counting and zeroes the counters.
void Clear();
uint32_t Calls(FaultSite site);
// Number of injected failures since Clear.
uint32_t Injected();

// Called by the host's slot functions: true when this call must fail.
bool Hit(FaultSite site);
// Called by the root context: true when this query must be refused.
bool Refused(const st_KVtGUID& service);

}  // namespace faults
}  // namespace kvh
