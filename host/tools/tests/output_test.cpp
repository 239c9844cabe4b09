// What kvrender leaves behind: whole files or none, outputs checked before the
// render, memory estimated before allocating, and a word about non-finite
// shading.
#include "kvrender_command.h"
#include "testing/png_bytes.h"

#include <filesystem>

#include <nlohmann/json.hpp>

namespace {

using kvt::test::built;
using kvt::test::CommandResult;
using kvt::test::kvrender;
using kvt::test::slurp;
using kvt::test::tempPath;
using kvt::test::writeScene;
using nlohmann::json;
namespace fs = std::filesystem;

// An empty folder of its own.
std::string freshFolder(const std::string& name) {
    const std::string dir = tempPath(name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

size_t filesIn(const std::string& dir) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

TEST(OutputWriting, AFailedWriteExitsOneAndLeavesTheTargetAsItWas) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    CommandResult full = kvrender("scenes/kvtest.json -o /dev/full --size 16x16 --spp 1 --quiet");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("cannot write PNG file '/dev/full': No space left on device"), std::string::npos)
        << full.err;

    // A file-size limit of 8 blocks cuts both files inside their data.
    const std::string dir = freshFolder("limited");
    const std::string png = dir + "/out.png", pfm = dir + "/out.pfm";
    std::ofstream(png) << "old";
    CommandResult cut = kvrender("scenes/kvtest.json -o '" + png + "' --size 160x120 --spp 1 --quiet", "ulimit -f 8; ");
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.err.find("cannot write PNG file '" + png + "': File too large"), std::string::npos) << cut.err;
    EXPECT_EQ(slurp(png), "old");
    CommandResult cutFloats = kvrender(
        "scenes/kvtest.json -o /dev/null --dump-float '" + pfm + "' --size 160x120 --spp 1 --quiet", "ulimit -f 8; ");
    EXPECT_EQ(cutFloats.status, 1);
    EXPECT_NE(cutFloats.err.find("cannot write float map '" + pfm + "': File too large"), std::string::npos)
        << cutFloats.err;
    EXPECT_FALSE(fs::exists(pfm));
    EXPECT_EQ(filesIn(dir), 1u) << "a temporary file was left behind";

    // Without the limit the same command replaces the old file.
    CommandResult ok = kvrender("scenes/kvtest.json -o '" + png + "' --size 16x12 --spp 1 --quiet");
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(slurp(png).substr(1, 3), "PNG");
    EXPECT_EQ(filesIn(dir), 1u);
}

TEST(OutputWriting, AnOutputThatCannotBeCreatedIsReportedBeforeTheRender) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    // This render would take hours: the message must come at once.
    const std::string slow = "scenes/kvtest.json --size 4096x4096 --spp 4096 --quiet";
    CommandResult r = kvrender(slow + " -o /no/such/dir/x.png", "timeout 60 ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write PNG file '/no/such/dir/x.png': No such file or directory"), std::string::npos)
        << r.err;
    const std::string dir = freshFolder("early");
    r = kvrender(slow + " -o '" + dir + "/x.png' --dump-float /no/such/dir/x.pfm", "timeout 60 ");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write float map '/no/such/dir/x.pfm'"), std::string::npos) << r.err;
    EXPECT_EQ(filesIn(dir), 0u);
    // Interrupted during the render, it leaves nothing behind either.
    r = kvrender(slow + " -o '" + dir + "/x.png' --dump-float '" + dir + "/x.pfm'", "timeout -s INT 3 ");
    EXPECT_EQ(r.status, 124) << r.err;
    EXPECT_EQ(filesIn(dir), 0u);
}

TEST(Memory, FramesAndClipPicturesAreEstimatedBeforeAllocating) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    CommandResult frame = kvrender("scenes/kvtest.json -o '" + tempPath("big.png") + "' --size 16384x16384");
    EXPECT_EQ(frame.status, 1);
    EXPECT_NE(frame.err.find("render: a frame of 16384 x 16384 pixels needs 5.00 GiB, more than the memory limit of "
                             "4.00 GiB (--max-memory raises it)"),
              std::string::npos)
        << frame.err;
    CommandResult lowered = kvrender("scenes/kvtest.json -o '" + tempPath("low.png") + "' --max-memory 1 --quiet");
    EXPECT_EQ(lowered.status, 1);
    EXPECT_NE(lowered.err.find("a frame of 320 x 240 pixels needs"), std::string::npos) << lowered.err;

    const std::string picture = writeScene("huge.png", kvt::test::pngFile(16384, 16384, 8, 6));
    json scene = json::parse(slurp(std::string(KV_SOURCE_DIR) + "/scenes/kvtest.json"));
    scene["items"] = {{{"name", "clip"}, {"type", "videoClip"}, {"image", picture}}};
    const std::string path = writeScene("huge-clip.json", scene.dump());
    CommandResult clip = kvrender("'" + path + "' -o '" + tempPath("clip.png") + "' --quiet");
    EXPECT_EQ(clip.status, 1);
    EXPECT_NE(clip.err.find("items[0].image: image '" + picture + "' of 16384 x 16384 pixels needs 5.00 GiB"),
              std::string::npos)
        << clip.err;
    // Raised, the picture is decoded, and its missing data is what is wrong.
    clip = kvrender("'" + path + "' -o '" + tempPath("clip.png") + "' --quiet --max-memory 8192");
    EXPECT_EQ(clip.status, 1);
    EXPECT_NE(clip.err.find("items[0].image: cannot read image"), std::string::npos) << clip.err;

    // An allocation that fails says what was being built. (Sanitizers reserve
    // more address space than the limit allows.)
    if (kvt::test::sanitizedBuild()) return;
    CommandResult starved = kvrender(
        "scenes/kvtest.json -o '" + tempPath("starved.png") + "' --size 16384x16384 --max-memory 65536 --quiet",
        "ulimit -v 1500000; ");
    EXPECT_EQ(starved.status, 1);
    EXPECT_NE(starved.err.find("out of memory while rendering the 16384 x 16384 frame"), std::string::npos)
        << starved.err;
}

TEST(NonFiniteShading, IsCountedPerMaterialWhateverTheThreads) {
    if (!built("tonvale.kv")) GTEST_SKIP() << "tonvale.kv not built";
    json scene = json::parse(slurp(std::string(KV_SOURCE_DIR) + "/scenes/xtoon.json"));
    scene["materials"]["silhouette"]["channels"]["shadows"] = 1e30;
    scene["items"][0]["image"] = std::string(KV_SOURCE_DIR) + "/scenes/xtoon_tone.png";
    const std::string path = writeScene("nonfinite.json", scene.dump());
    std::string warning;
    for (const char* threads : {"1", "5"}) {
        CommandResult r = kvrender("'" + path + "' -o '" + tempPath("nan.png") + "' --size 40x30 --spp 3 --quiet "
                                   "--threads " + threads);
        EXPECT_EQ(r.status, 0) << r.err;
        const size_t at = r.err.find("warning: material 'silhouette': ");
        ASSERT_NE(at, std::string::npos) << r.err;
        EXPECT_NE(r.err.find("samples not finite, drawn black (first at pixel "), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("material 'depthTone'"), std::string::npos) << r.err;
        if (warning.empty()) warning = r.err;
        EXPECT_EQ(r.err, warning) << "the count or the first pixel depends on the threads";
    }
    CommandResult clean = kvrender("scenes/xtoon.json -o '" + tempPath("clean.png") + "' --size 40x30 --spp 1 --quiet");
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.err.find("not finite"), std::string::npos) << clean.err;
}

}  // namespace
