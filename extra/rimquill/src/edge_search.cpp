#include "edge_search.h"

#include <algorithm>
#include <cmath>

#include "edge_band.h"

namespace edgeink {

namespace {

// Working values of one evaluation's search.
class EdgeSearch {
public:
    EdgeSearch(const EdgeInkParams& p, const EdgeInkSample& s, const EdgeInkHost& h)
        : p_(p), s_(s), h_(h), thr_(1.0f + p.distThreshold)
    {
    }

    float Run();

private:
    bool NeedsNeighbourhood() const;
    void Neighbourhood();
    void CentreOffset(float& cx, float& cy) const;
    bool SubSample(float cx, float cy);
    void AngleEvidence(float d);
    float DepthGain(float lo, float hi) const;
    void ReflectionProbe();
    void TransmissionProbe();
    void HitEvidence(vt_IKvUnknown** traced, const float* dir, float dist);
    bool Saturated() const;

    const EdgeInkParams& p_;
    const EdgeInkSample& s_;
    const EdgeInkHost& h_;
    const float thr_;
    float e_ = 0.0f;
    float m_ = -1.0f;  // smallest normal dot so far; -1 = none yet
    float cmin_ = 1.0f, cmax_ = 1.0f;
    float dmin_ = 0.0f, dmax_ = 0.0f;
    float first_ = -1.0f, pmin_ = 0.0f, pmax_ = 0.0f;  // probe hit distances
    float firstN_[3] = {0.0f, 0.0f, 0.0f};
    st_KVpSurfaceRecord centre_{};
};

float EdgeSearch::Run()
{
    if (p_.incidenceEdges != 0.0f && s_.normal)
        e_ = std::max(0.0f, p_.incidenceEdges * Band(p_, Grazing(p_, s_.ray->dir, s_.normal->normal)));
    if (p_.curvature > 0.95f) e_ = 1.0f;
    if (NeedsNeighbourhood() && h_.canCast()) Neighbourhood();
    return e_;
}

bool EdgeSearch::NeedsNeighbourhood() const
{
    return (e_ < 1.0f && p_.angleEdges != 0.0f) || p_.distanceEdges != 0.0f || p_.surfaceEdges != 0.0f ||
           p_.segmentEdges != 0.0f;
}

void EdgeSearch::Neighbourhood()
{
    const int n = SubSampleCount(p_);
    float cx = 0.0f, cy = 0.0f;
    CentreOffset(cx, cy);
    centre_ = h_.SurfaceAt(s_.vector, cx, cy);
    dmin_ = dmax_ = centre_.depth;
    cmin_ = std::cos(p_.minAngle);
    cmax_ = std::cos(p_.maxAngle);
    if (n <= 0 || !h_.shader) return;
    for (int i = 0; i < n; ++i)
        if (SubSample(cx, cy)) break;
}

// Moves the sampling centre by 2 * edgeOffset pixels along the direction from
// the image centre to the sample.
void EdgeSearch::CentreOffset(float& cx, float& cy) const
{
    cx = cy = 0.0f;
    if (p_.edgeOffset == 0.0f || !h_.ray1) return;
    int ix = 0, iy = 0;
    float fx = 0.0f, fy = 0.0f;
    h_.ray1->Pixel(s_.vector, &ix, &iy);
    h_.ray1->SubPixel(s_.vector, &fx, &fy);
    float px = static_cast<float>(ix) + fx;
    float py = static_cast<float>(iy) + fy;
    if (s_.resolution && s_.resolution->width > 0 && s_.resolution->height > 0) {
        px -= static_cast<float>(s_.resolution->width / 2);
        py -= static_cast<float>(s_.resolution->height / 2);
    }
    const double len = std::sqrt(static_cast<double>(px) * px + static_cast<double>(py) * py);
    const double k = len > 0.0 ? 1.0 / len : 1.0;
    cx = static_cast<float>(px * p_.edgeOffset * 2.0 * k);
    cy = static_cast<float>(py * p_.edgeOffset * 2.0 * k);
}

// Examines one sub-sample; true when the search ends.
bool EdgeSearch::SubSample(float cx, float cy)
{
    float u = 0.0f, v = 0.0f;
    (*h_.shader)->NextRandom(h_.shader, s_.vector, &u, &v);
    u = static_cast<float>(2.0 * u - 1.0);
    v = static_cast<float>(2.0 * v - 1.0);
    (*h_.shader)->SquareToCircle(h_.shader, &u, &v);

    const float hu = u / 2.0f, hv = v / 2.0f;
    const float r = static_cast<float>(2.0 * std::sqrt(static_cast<double>(hu * hu + hv * hv)));
    // The direction is the angle phi = atan2(u/2, v/2); its cosine and sine are
    // taken from the coordinates themselves (v/r and u/r, equal to rounding),
    // which spares three transcendental calls per sub-sample. At r = 0 the
    // reach is 0 and the direction does not matter.
    const float cosPhi = r > 0.0f ? v / r : 1.0f;
    const float sinPhi = r > 0.0f ? u / r : 0.0f;
    // Maps the disc radius to a reach of at most half the width: r / (1 + 2r) * 1.5.
    const float rs = static_cast<float>((r / ((1.0 - r) * -0.6666666666666667 + 1.0)) * 0.5);
    const float reach = p_.edgeWidth * rs;
    const st_KVpSurfaceRecord sub = h_.SurfaceAt(s_.vector, cx + reach * cosPhi, cy + reach * sinPhi);

    // Another surface or segment replaces the evidence so far.
    if (sub.surfaceId != centre_.surfaceId) {
        e_ = p_.surfaceEdges;
        if (e_ >= 1.0f) return true;
    }
    if (sub.segmentId != centre_.segmentId) {
        e_ = p_.segmentEdges;
        if (e_ >= 1.0f) return true;
    }
    if (p_.angleEdges != 0.0f) AngleEvidence(Dot3(centre_.normal, sub.normal));
    if (p_.distanceEdges != 0.0f) {
        dmin_ = std::min(dmin_, sub.depth);
        dmax_ = std::max(dmax_, sub.depth);
        e_ = std::max(e_, DepthGain(dmin_, dmax_));
    }
    if (p_.traceReflection != 0 && s_.parms && s_.parms->reflAmt > 0.5f && s_.normal) ReflectionProbe();
    if (p_.traceTransparency != 0 && s_.parms && s_.parms->tranAmt > 0.5f) TransmissionProbe();
    return Saturated();
}

// Full weight once the smallest normal dot passes cos(maxAngle), a ramp
// between cos(minAngle) and cos(maxAngle), nothing above cos(minAngle).
void EdgeSearch::AngleEvidence(float d)
{
    if (m_ == -1.0f || d < m_) m_ = d;
    float g = 0.0f;
    if (m_ < cmin_) g = p_.angleEdges * (m_ < cmax_ ? 1.0f : (cmin_ - m_) / (cmin_ - cmax_));
    e_ = std::max(e_, g);
}

// Depth jump evidence of a range [lo, hi]: the excess of hi over thr * lo,
// relative to thr. A threshold at or below -100 % makes any jump a full edge.
float EdgeSearch::DepthGain(float lo, float hi) const
{
    if (thr_ <= 0.0f) return hi > lo ? p_.distanceEdges : 0.0f;
    const float scaled = thr_ * lo;
    return hi > scaled ? p_.distanceEdges * (hi - scaled) / thr_ : 0.0f;
}

void EdgeSearch::ReflectionProbe()
{
    vt_IKvUnknown** traced = h_.PushVector(s_.vector);
    if (!traced) return;  // nothing was made, so there is nothing to end
    const double origin[3] = {centre_.position[0], centre_.position[1], centre_.position[2]};
    const float* d = s_.ray->dir;
    const float* n = s_.normal->normal;
    const float nd = Dot3(n, d);
    const float dir[3] = {d[0] - 2.0f * nd * n[0], d[1] - 2.0f * nd * n[1], d[2] - 2.0f * nd * n[2]};
    const float hit = h_.Trace(traced, origin, dir, KV_RAY_PROBE);
    if (hit > 0.0f) {
        float dist = hit;
        if (const auto* pos = h_.Packet<st_KVpSamplePosition>(traced, h_.positionOffset)) {
            const double dx = origin[0] - pos->pos[0], dy = origin[1] - pos->pos[1], dz = origin[2] - pos->pos[2];
            dist = std::max(static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz)), hit);
        }
        HitEvidence(traced, dir, dist);
    }
    h_.PopVector(s_.vector);
}

void EdgeSearch::TransmissionProbe()
{
    vt_IKvUnknown** traced = h_.PushVector(s_.vector);
    if (!traced) return;
    const float* d = s_.ray->dir;
    const double origin[3] = {centre_.position[0] + 0.0001 * d[0], centre_.position[1] + 0.0001 * d[1],
                              centre_.position[2] + 0.0001 * d[2]};
    const float hit = h_.Trace(traced, origin, d, KV_RAY_PROBE);
    if (hit > 0.0f) HitEvidence(traced, d, hit);
    h_.PopVector(s_.vector);
}

// Evidence from a probe hit at distance dist along dir.
void EdgeSearch::HitEvidence(vt_IKvUnknown** traced, const float* dir, float dist)
{
    const auto* sn = h_.Packet<st_KVpSurfaceNormal>(traced, h_.normalOffset);
    if (!sn) return;
    const float* hitN = sn->geoNormal;
    if (first_ < 0.0f) {
        first_ = pmin_ = pmax_ = dist;
        std::copy(hitN, hitN + 3, firstN_);
    } else if (dist < pmin_) {
        pmin_ = dist;
    } else if (dist > pmax_) {
        pmax_ = dist;
    }
    // The hit's incidence counts at full weight.
    if (p_.incidenceEdges != 0.0f) e_ = std::max(e_, Band(p_, Grazing(p_, dir, hitN)));
    if (p_.distanceEdges != 0.0f) e_ = std::max(e_, DepthGain(pmin_, pmax_));
    if (p_.angleEdges != 0.0f) AngleEvidence(Dot3(firstN_, hitN));
}

// No later sub-sample can raise e: it has reached every weight or 1.
bool EdgeSearch::Saturated() const
{
    const float top = std::max({p_.distanceEdges, p_.angleEdges, p_.surfaceEdges, p_.segmentEdges});
    return e_ >= top || e_ >= 1.0f;
}

}  // namespace

bool EdgeGateOpen(const EdgeInkParams& p, uint32_t rayFlags)
{
    if (!(p.edgeWidth > 0.0f)) return false;
    if ((rayFlags & (KV_RAY_CAMERA | KV_RAY_TRACED)) == 0) return false;
    if ((rayFlags & KV_RAY_REFLECTION) && p.traceReflection == 0) return false;
    return true;
}

int SubSampleCount(const EdgeInkParams& p)
{
    const int q = std::max(1, p.edgeQuality);
    const float n = p.edgeWidth * p.edgeWidth * static_cast<float>(q);
    if (!(n > 0.0f)) return 0;
    return n >= static_cast<float>(kMaxSubSamples) ? kMaxSubSamples : static_cast<int>(n);
}

float EdgeAmount(const EdgeInkParams& p, const EdgeInkSample& s, const EdgeInkHost& h)
{
    if (!s.ray || !EdgeGateOpen(p, s.ray->flags)) return 0.0f;
    return EdgeSearch(p, s, h).Run();
}

}  // namespace edgeink
