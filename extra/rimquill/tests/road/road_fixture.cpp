#include "road_fixture.h"

#include <algorithm>

#include "testing/host_sample.h"

namespace inkroad {

float StepScene::Trace(kvh::SampleVector& into, const double* origin, const float* dir, uint32_t flags)
{
    traceFlags.push_back(flags);
    auto* n = into.Packet<st_KVpSurfaceNormal>(kvh::HostPacket::SurfaceNormal);
    auto* p = into.Packet<st_KVpSamplePosition>(kvh::HostPacket::SamplePosition);
    auto* r = into.Packet<st_KVpSampleRay>(kvh::HostPacket::SampleRay);
    std::copy(hit.normal, hit.normal + 3, n->geoNormal);
    for (int k = 0; k < 3; ++k) p->pos[k] = origin[k] + double(hit.distance) * dir[k];
    std::copy(hit.colour, hit.colour + 3, r->color);
    return hit.distance;
}

KvResult StepScene::SurfaceAt(kvh::SampleVector& v, float dx, float, st_KVpSurfaceRecord& rec)
{
    ++surfaceCalls;
    const float x = float(v.header.pixelX) + v.header.subX + dx;
    rec = x < edgeX ? left : right;
    return KV_OK;
}

void RoadTest::SetUp()
{
    const std::string path = kvh::Session::FindPluginFile("rimquill.kv");
    ASSERT_FALSE(path.empty()) << "rimquill.kv not built";
    lib = host.Load(path);
    ASSERT_NE(lib, nullptr) << host.error;
    pool = std::make_unique<kvh::VectorPool>(host.session->Layout());
    rays.emplace(&scene);
}

void RoadTest::TearDown()
{
    rays.reset();
    pool.reset();
    host.session.reset();
    objects.ExpectNoneLeft();
}

std::unique_ptr<kvh::MaterialRoad> RoadTest::Road(std::vector<kvh::ChannelValue> values,
                                                  kvh::MaterialRoad::Options options)
{
    options.values.insert(options.values.end(), values.begin(), values.end());
    if (options.itemName.empty()) options.itemName = "ink" + std::to_string(++roads_);  // one item per road
    auto road = host.Road(lib, "edgeInk", std::move(options));
    EXPECT_NE(road, nullptr) << host.error;
    return road;
}

Rgb RoadTest::ShadeAt(const kvh::MaterialRoad& road, int x, uint32_t flags)
{
    kvh::SampleVector& v = pool->BeginSample(x, 5, 0.5f, 0.5f, 0);
    const kvt::HostPackets host = kvt::FacingSample(v);
    host.ray->flags = flags;
    std::copy(viewNormal, viewNormal + 3, host.normal->normal);
    st_KVpSampleParms* parms = host.parms;
    std::copy(diffuse, diffuse + 3, parms->diffCol);
    parms->reflAmt = reflectionAmount;
    parms->tranAmt = transparency;
    *v.Packet<st_KVpCameraResolution>(kvh::HostPacket::CameraResolution) = {64, 48};

    st_KVpShadeComponents sc = components;
    st_KVpShadeOutput out{{1.0f, 1.0f, 1.0f}, 1.0f};
    road.Shade(v, rays->ptr(), sc, out);
    last = &v;
    return {out.color[0], out.color[1], out.color[2]};
}

void RoadTest::SubSamplesToTheRight()
{
    // (0.5, 1) becomes (u, v) = (0, 1): full radius, straight along +x.
    host.session->shading().SetRandomSource(
        [](void*, const kvh::SampleHeader&, uint32_t, float* u, float* v) {
            *u = 0.5f;
            *v = 1.0f;
        },
        nullptr);
}

}  // namespace inkroad
