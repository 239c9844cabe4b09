#include "stress/fuzz_values.h"

#include <cfloat>
#include <limits>

namespace kvs {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The plausible range of a channel type.
void TypeRange(const std::string& type, double* lo, double* hi) {
    if (type == "percent" || type == "color1") *lo = 0, *hi = 1;
    else if (type == "angle") *lo = -2 * kPi, *hi = 2 * kPi;
    else if (type == "distance") *lo = 0, *hi = 10;
    else *lo = -10, *hi = 10;
}

}  // namespace

double ValueSource::Wild(double tame) {
    if (!extreme()) return tame;
    constexpr double inf = std::numeric_limits<double>::infinity();
    switch (rng_.Below(12)) {
        case 0: return std::numeric_limits<double>::quiet_NaN();
        case 1: return inf;
        case 2: return -inf;
        case 3: return rng_.Sign() * rng_.LogUniform(7, 38);   // beyond the tame limit, float range
        case 4: return rng_.Sign() * rng_.LogUniform(39, 300);  // overflows a float
        case 5: return rng_.Sign() * double(FLT_MAX);
        case 6: return rng_.Sign() * double(FLT_MIN) * 0.5;     // a float denormal
        default: return tame;
    }
}

double ValueSource::Float(const std::string& type, double dflt) {
    double lo, hi, v;
    TypeRange(type, &lo, &hi);
    if (profile_ == Profile::Clean) return taint_.Note(rng_.Chance(0.3) ? dflt : rng_.Uniform(lo, hi));
    switch (rng_.Below(10)) {
        case 0: v = dflt; break;
        case 1: {
            const double bounds[] = {lo, hi, 0.0, -0.0, 1.0, -1.0, 1e-30, -1e-30};
            v = bounds[rng_.Below(8)];
            break;
        }
        case 2: v = rng_.Sign() * rng_.LogUniform(1, 6); break;  // far outside, still tame
        case 3: v = -rng_.Uniform(lo, hi); break;
        case 4: v = Wild(rng_.Uniform(lo, hi)); break;
        case 5: v = Wild(rng_.Sign() * rng_.LogUniform(-6, 6)); break;
        default: v = rng_.Uniform(lo, hi); break;
    }
    return taint_.Note(v);
}

double ValueSource::Integer(const std::vector<kvh::HintRow>& hints, double dflt) {
    std::vector<int32_t> choices;
    for (const kvh::HintRow& r : hints)
        if (r.value != -1) choices.push_back(r.value);
    if (profile_ == Profile::Clean)
        return taint_.Note(choices.empty() || rng_.Chance(0.3) ? dflt : choices[rng_.Below(uint32_t(choices.size()))]);
    double v;
    switch (rng_.Below(8)) {
        case 0: v = dflt; break;
        case 1: v = choices.empty() ? rng_.Range(-3, 12) : double(choices.size()); break;  // one past the list
        case 2: {
            const double odd[] = {-1, -2, 2147483647.0, -2147483648.0, 65536, 1e6, -1e6};
            v = odd[rng_.Below(7)];
            break;
        }
        case 3: v = Wild(rng_.Range(-100, 100)); break;
        case 4: v = rng_.Range(-100, 100); break;
        default: v = choices.empty() ? rng_.Range(-2, 10) : choices[rng_.Below(uint32_t(choices.size()))]; break;
    }
    if (!extreme() && !(std::fabs(v) <= kTameLimit)) v = dflt;
    return taint_.Note(v);
}

double ValueSource::Boolean(double dflt) {
    const double values[] = {0, 1, 0, 1, dflt, 2, -1, 0.5};
    return taint_.Note(values[rng_.Below(profile_ == Profile::Clean ? 4 : 8)]);
}

double ValueSource::ForChannel(const kvh::Channel& ch) {
    switch (ch.kind) {
        case kvh::ChannelKind::Integer: return Integer(ch.hints, ch.defaultValue);
        case kvh::ChannelKind::Boolean: return Boolean(ch.defaultValue);
        case kvh::ChannelKind::Float: break;
    }
    return Float(ch.typeName, ch.defaultValue);
}

float ValueSource::HostFloat(double lo, double hi) {
    bool plain = profile_ == Profile::Clean || rng_.Chance(0.85);
    double v = plain ? rng_.Uniform(lo, hi) : Wild(rng_.Sign() * rng_.LogUniform(-3, 6));
    return taint_.NoteF(float(v));
}

double ValueSource::HostDouble(double lo, double hi) {
    bool plain = profile_ == Profile::Clean || rng_.Chance(0.85);
    double v = plain ? rng_.Uniform(lo, hi) : Wild(rng_.Sign() * rng_.LogUniform(-3, 6));
    return taint_.Note(v);
}

void ValueSource::Direction(float* d) {
    for (int i = 0; i < 3; ++i) d[i] = float(rng_.Uniform(-1, 1));
    float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (len < 1e-3f) d[2] = len = 1;
    for (int i = 0; i < 3; ++i) d[i] /= len;
    switch (profile_ == Profile::Clean ? 9 : rng_.Below(10)) {
        case 0: d[0] = d[1] = d[2] = 0; break;  // zero
        case 1: {                                // unnormalised
            float s = float(rng_.LogUniform(-3, 3));
            for (int i = 0; i < 3; ++i) d[i] *= s;
            break;
        }
        case 2:
            if (profile_ == Profile::Wild) d[rng_.Below(3)] = std::numeric_limits<float>::quiet_NaN();
            break;
        default: break;
    }
    for (int i = 0; i < 3; ++i) taint_.NoteF(d[i]);
}

}  // namespace kvs
