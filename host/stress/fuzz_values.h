// Random input numbers by channel type, and the record of whether every
// number a case used was tame (finite, magnitude at most 1e6): only then must
// a material's output be finite.
#pragma once

#include <string>
#include <vector>

#include "core/scene.h"
#include "stress/rng.h"

namespace kvs {

constexpr double kTameLimit = 1e6;

// Accumulates tameness over every number handed to a plug-in.
class Taint {
public:
    double Note(double x) {
        if (!(std::fabs(x) <= kTameLimit)) tame_ = false;
        return x;
    }
    float NoteF(float x) { return float(Note(double(x))); }
    bool tame() const { return tame_; }
    void Reset(bool tame = true) { tame_ = tame; }

private:
    bool tame_ = true;
};

// How wild the numbers may be: Clean gives plausible values only (unit
// normals, values inside each type's range; fault and thread runs); Wild
// covers bounds, far outside, zero vectors, NaN and infinities (fuzzing).
enum class Profile { Clean, Wild };

class ValueSource {
public:
    ValueSource(Rng& rng, Taint& taint, Profile p) : rng_(rng), taint_(taint), profile_(p) {}

    // A value for a float-like channel of the given type name, near `dflt`.
    double Float(const std::string& type, double dflt);
    // A value for an integer channel; `hints` are its popup rows, if any.
    double Integer(const std::vector<kvh::HintRow>& hints, double dflt);
    double Boolean(double dflt);
    // A value for any channel of the scene model.
    double ForChannel(const kvh::Channel& ch);
    // A colour-like component in [0, 1] most of the time.
    float Component() { return float(Float("percent", 0.5)); }
    // A float for a host record field: modest magnitudes by default.
    float HostFloat(double lo, double hi);
    double HostDouble(double lo, double hi);
    // A direction: unit, unnormalised, zero or not finite.
    void Direction(float* d3);

    // Wild profile only: whether numbers beyond the tame limit (NaN, infinities,
    // huge magnitudes) may appear. Off, every number stays tame but may still
    // be far outside its range, zero or negative.
    void SetExtreme(bool on) { extreme_ = on; }
    bool extreme() const { return profile_ == Profile::Wild && extreme_; }

    Rng& rng() { return rng_; }
    Taint& taint() { return taint_; }
    Profile profile() const { return profile_; }

private:
    double Wild(double tame);
    Rng& rng_;
    Taint& taint_;
    Profile profile_;
    bool extreme_ = true;
};

}  // namespace kvs
