// What kvrender leaves behind: whole files or none, outputs checked before the
// render, streams written straight through, input files that must be regular
// files and are never replaced by an output, memory estimated before allocating, and a word about what a real
// host would hold against a material (non-finite shading, ray vectors left
// open, a wrong monitor, texture coordinates a mesh lacks).
#include "kvrender_command.h"
#include "output_file.h"
#include "testing/png_bytes.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <vector>

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

// The last bytes of every PNG file: the IEND chunk and its CRC.
bool endsAsAPng(const std::string& bytes) {
    static const std::string kEnd("IEND\xAE\x42\x60\x82", 8);
    return bytes.size() > 16 && bytes.compare(0, 4, "\x89PNG") == 0 &&
           bytes.compare(bytes.size() - kEnd.size(), kEnd.size(), kEnd) == 0;
}

const std::string kSmall = "scenes/kvtest.json --size 16x12 --spp 1 --quiet";

TEST(OutputPaths, OnePathForBothOutputsIsRefused) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    const std::string dir = freshFolder("same");
    fs::create_symlink("both.png", dir + "/link");
    for (const std::string& second : {dir + "/both.png", dir + "/./both.png", dir + "/link"}) {
        CommandResult r = kvrender(kSmall + " -o '" + dir + "/both.png' --dump-float '" + second + "'");
        EXPECT_EQ(r.status, 2) << second << ": " << r.err;
        EXPECT_NE(r.err.find("-o and --dump-float name the same file '" + second + "'"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir + "/both.png"));
    }
    CommandResult r = kvrender(kSmall + " -o /dev/stdout --dump-float /dev/stdout");
    EXPECT_EQ(r.status, 2) << r.err;
}

TEST(OutputPaths, WhenOneOutputFailsNeitherOldFileIsReplaced) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    const std::string dir = freshFolder("neither");
    const std::string png = dir + "/old.png", pfm = dir + "/old.pfm";
    std::ofstream(png) << "old png";
    std::ofstream(pfm) << "old pfm";
    CommandResult floats = kvrender(kSmall + " -o '" + png + "' --dump-float /dev/full");
    EXPECT_EQ(floats.status, 1);
    EXPECT_NE(floats.err.find("cannot write float map '/dev/full': No space left on device"), std::string::npos)
        << floats.err;
    CommandResult image = kvrender(kSmall + " -o /dev/full --dump-float '" + pfm + "'");
    EXPECT_EQ(image.status, 1);
    EXPECT_NE(image.err.find("cannot write PNG file '/dev/full': No space left on device"), std::string::npos)
        << image.err;
    EXPECT_EQ(slurp(png), "old png");
    EXPECT_EQ(slurp(pfm), "old pfm");
    EXPECT_EQ(filesIn(dir), 2u) << "a temporary file was left behind";
}

TEST(OutputPaths, ALinkedFileIsWrittenAndTheLinkStays) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    const std::string dir = freshFolder("links");
    fs::create_directories(dir + "/real");
    // A link to a file not made yet, through a second link and a folder link.
    fs::create_symlink("real", dir + "/folder");
    fs::create_symlink("folder/image.png", dir + "/inner");
    fs::create_symlink("inner", dir + "/outer");
    CommandResult r = kvrender(kSmall + " -o '" + dir + "/outer'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir + "/outer"));
    EXPECT_TRUE(fs::is_symlink(dir + "/inner"));
    EXPECT_TRUE(endsAsAPng(slurp(dir + "/real/image.png")));
    // A link that points at itself is refused, not replaced.
    fs::create_symlink("loop", dir + "/loop");
    r = kvrender(kSmall + " -o '" + dir + "/loop'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Too many levels of symbolic links"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir + "/loop"));
}

TEST(OutputPaths, AFileNameOfAnyAllowedLengthIsWritten) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    const std::string dir = freshFolder("long");
    const std::string name = std::string(251, 'n') + ".png";  // 255 bytes, the most a name may have
    CommandResult r = kvrender(kSmall + " -o '" + dir + "/" + name + "' --dump-float '" + dir + "/" + name + "x'");
    EXPECT_EQ(r.status, 1);  // a name of 256 bytes is too long, and nothing is written
    EXPECT_NE(r.err.find("File name too long"), std::string::npos) << r.err;
    EXPECT_EQ(filesIn(dir), 0u);
    r = kvrender(kSmall + " -o '" + dir + "/" + name + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(endsAsAPng(slurp(dir + "/" + name)));
    EXPECT_EQ(filesIn(dir), 1u);
}

TEST(OutputPaths, FilesArePlacedTogetherOrNotAtAll) {
    // With hard links, and where the filesystem refuses them (link() fails).
    const kvr::LinkCall links[] = {
        nullptr,
        [](const char*, const char*) { return errno = EPERM, -1; },
        [](const char*, const char*) { return errno = EXDEV, -1; },
    };
    for (kvr::LinkCall link : links) {
        SCOPED_TRACE(link ? "link() refused" : "link()");
        kvr::setLinkCallForTests(link);
        const std::string dir = freshFolder("together");
        const std::string a = dir + "/a.png", b = dir + "/b.pfm";
        std::ofstream(a) << "old a";
        kvr::OutputFile fa, fb, fc;
        std::string error;
        ASSERT_TRUE(fa.open(a, "PNG file", error) && fa.commit("new a", 5, error)) << error;
        EXPECT_EQ(slurp(a), "new a");
        ASSERT_TRUE(fa.open(a, "PNG file", error) && fa.write("newer a", 7, error) && fa.finish(error)) << error;
        ASSERT_TRUE(fb.open(b, "float map", error) && fb.write("new b", 5, error) && fb.finish(error)) << error;
        // The second cannot be put in place: the first goes back to its old bytes.
        fs::create_directories(b + "/in-the-way");
        EXPECT_FALSE(kvr::placeAll({&fa, &fb}, error));
        EXPECT_NE(error.find("cannot write float map '" + b + "'"), std::string::npos) << error;
        EXPECT_EQ(slurp(a), "new a");
        // And a file that did not exist before is taken away again.
        fs::remove_all(b);
        const std::string c = dir + "/c.png";
        ASSERT_TRUE(fc.open(c, "PNG file", error) && fc.write("c", 1, error) && fc.finish(error)) << error;
        ASSERT_TRUE(fb.open(b, "float map", error) && fb.write("b", 1, error) && fb.finish(error)) << error;
        fs::create_directories(b + "/in-the-way");
        EXPECT_FALSE(kvr::placeAll({&fc, &fb}, error));
        EXPECT_FALSE(fs::exists(c));
        fs::remove_all(b);
        std::ofstream(b) << "old b";
        {
            // Placed together, both replace what was there, and the old files go with the outputs.
            kvr::OutputFile na, nb;
            ASSERT_TRUE(na.open(a, "PNG file", error) && na.write("newest a", 8, error) && na.finish(error)) << error;
            ASSERT_TRUE(nb.open(b, "float map", error) && nb.write("new b", 5, error) && nb.finish(error)) << error;
            EXPECT_TRUE(kvr::placeAll({&na, &nb}, error)) << error;
        }
        EXPECT_EQ(slurp(a), "newest a");
        EXPECT_EQ(slurp(b), "new b");
        EXPECT_EQ(filesIn(dir), 2u) << "a temporary or backup file was left behind";
    }
    kvr::setLinkCallForTests(nullptr);
}

TEST(OutputPaths, StreamsGetTheImageAndNothingElse) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    const std::string dir = freshFolder("streams");
    CommandResult piped = kvrender(kSmall + " -o /dev/stdout | cat > '" + dir + "/piped.png'");
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(endsAsAPng(slurp(dir + "/piped.png")));
    CommandResult redirected = kvrender(kSmall + " -o /dev/stdout --dump-float '" + dir + "/f.pfm' > '" + dir +
                                        "/redirected.png'");
    EXPECT_EQ(redirected.status, 0) << redirected.err;
    EXPECT_TRUE(endsAsAPng(slurp(dir + "/redirected.png")));
    EXPECT_EQ(slurp(dir + "/f.pfm").substr(0, 3), "PF\n");

    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Without a reader it says why nothing happens, as every message, behind its name.
    CommandResult waiting = kvrender(kSmall + " -o '" + fifo + "'", "timeout 5 ");
    EXPECT_EQ(waiting.status, 124);
    EXPECT_EQ(waiting.err, "kvrender: PNG file '" + fifo + "': waiting for a reader\n");
    CommandResult viaFifo = kvrender(kSmall + " -o '" + fifo + "'",
                                     "(cat '" + fifo + "' > '" + dir + "/from-fifo.png' &); timeout 60 ");
    EXPECT_EQ(viaFifo.status, 0) << viaFifo.err;
    EXPECT_EQ(viaFifo.out, "");
    for (int i = 0; i < 100 && !endsAsAPng(slurp(dir + "/from-fifo.png")); ++i) usleep(20000);
    EXPECT_TRUE(endsAsAPng(slurp(dir + "/from-fifo.png")));
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(InputFiles, SceneFilesClipPicturesAndMeshesMustBeRegularFiles) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    const std::string dir = freshFolder("inputs");
    // Without the check a device is read until memory runs out (the limit
    // stops it), and a FIFO waits for a writer (the time limit ends it).
    const std::string limit = kvt::test::sanitizedBuild() ? "" : "ulimit -v 2000000; ";
    const std::string sceneFifo = dir + "/scene.json";
    ASSERT_EQ(mkfifo(sceneFifo.c_str(), 0600), 0);
    for (const auto& [scene, kind] : {std::pair{std::string("/dev/zero"), "a device"}, {sceneFifo, "a FIFO or pipe"}}) {
        CommandResult r = kvrender("'" + scene + "' -o '" + dir + "/x.png' --quiet", limit + "timeout 20 ");
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err, "kvrender: " + scene + ": cannot read the scene file: not a regular file (" + kind + ")\n");
    }

    const std::string fifo = dir + "/picture.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    json scene = json::parse(slurp(std::string(KV_SOURCE_DIR) + "/scenes/kvtest.json"));
    scene["items"] = {{{"name", "clip"}, {"type", "videoClip"}, {"image", fifo}}};
    // Without the check the reader waits for a writer: the time limit ends it.
    CommandResult clip = kvrender("'" + writeScene("fifo-clip.json", scene.dump()) + "' -o '" + dir + "/x.png' --quiet",
                                  "timeout 60 ");
    EXPECT_EQ(clip.status, 1) << clip.err;
    EXPECT_NE(clip.err.find("items[0].image: cannot read image '" + fifo + "': not a regular file (a FIFO or pipe)"),
              std::string::npos)
        << clip.err;

    scene.erase("items");
    scene["objects"].push_back({{"shape", "obj"}, {"file", "/dev/zero"}});
    CommandResult mesh = kvrender("'" + writeScene("zero-mesh.json", scene.dump()) + "' -o '" + dir + "/x.png' --quiet",
                                  limit + "timeout 60 ");
    EXPECT_EQ(mesh.status, 1) << mesh.err;
    EXPECT_NE(mesh.err.find("objects[4].file: cannot read OBJ file '/dev/zero': not a regular file (a device)"),
              std::string::npos)
        << mesh.err;
    EXPECT_EQ(filesIn(dir), 0u);
}

TEST(InputFiles, AnOutputNeverReplacesAFileTheSceneReads) {
    const std::string dir = tempPath("kept");
    const json scene = {{"camera", {{"position", {0, 0, 5}}}},
                        {"objects", {{{"shape", "obj"}, {"file", "mesh.obj"}}}},
                        {"items", {{{"name", "clip"}, {"type", "videoClip"}, {"image", "tone.png"}}}},
                        {"render", {{"width", 8}, {"height", 8}, {"spp", 1}}}};
    const std::string inputs[] = {"scene.json", "mesh.obj", "tone.png"};
    auto makeInputs = [&] {
        freshFolder("kept");
        std::ofstream(dir + "/scene.json") << scene.dump();
        fs::copy_file(std::string(KV_TEST_INPUTS) + "/untextured.obj", dir + "/mesh.obj");
        fs::copy_file(std::string(KV_SOURCE_DIR) + "/scenes/xtoon_tone.png", dir + "/tone.png");
        fs::create_symlink("scene.json", dir + "/link.json");
        fs::create_hard_link(dir + "/mesh.obj", dir + "/hard.obj");
        std::vector<std::string> bytes;
        for (const std::string& name : inputs) bytes.push_back(slurp(dir + "/" + name));
        return bytes;
    };
    const std::string up = dir + "/../" + fs::path(dir).filename().string();
    const std::string render = "'" + dir + "/scene.json' --quiet ";
    // By the file, not its name: the same path, a link, a hard link, another spelling.
    const std::pair<std::string, std::string> cases[] = {
        {"-o '" + dir + "/scene.json'", "-o '" + dir + "/scene.json' would replace the scene file '" + dir + "/scene.json'"},
        {"-o '" + dir + "/./link.json'", "-o '" + dir + "/./link.json' would replace the scene file"},
        {"-o '" + dir + "/x.png' --dump-float '" + dir + "/hard.obj'",
         "--dump-float '" + dir + "/hard.obj' would replace the OBJ file '" + dir + "/mesh.obj'"},
        {"-o '" + up + "/tone.png'", "-o '" + up + "/tone.png' would replace the clip picture '" + dir + "/tone.png'"},
    };
    for (const auto& [outputs, message] : cases) {
        const std::vector<std::string> before = makeInputs();
        CommandResult r = kvrender(render + outputs);
        EXPECT_EQ(r.status, 2) << outputs << ": " << r.err;
        EXPECT_NE(r.err.find("kvrender: " + message), std::string::npos) << r.err;
        for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(slurp(dir + "/" + inputs[i]), before[i]) << outputs;
        EXPECT_EQ(filesIn(dir), 5u) << outputs;  // the link counts as the file it names
    }
    // A copy of an input, and a path that does not exist yet, are no inputs.
    makeInputs();
    fs::copy_file(dir + "/scene.json", dir + "/copy.json");
    CommandResult r = kvrender(render + "-o '" + dir + "/copy.json' --dump-float '" + dir + "/new.pfm'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(endsAsAPng(slurp(dir + "/copy.json")));
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
    // Also more threads than the cores: the render runs on two at most.
    kvt::test::FewCores two(2);
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

TEST(RenderWarnings, RayVectorsLeftOpenAndAWrongMonitorAreSaid) {
    json scene = json::parse(slurp(std::string(KV_SOURCE_DIR) + "/scenes/kvtest.json"));
    scene["materials"] = {{"open", {{"plugin", KVFAULTY_PATH}, {"server", "unpopped"}}},
                          {"monitor", {{"plugin", KVFAULTY_PATH}, {"server", "wrongmonitor"}, {"links", {"clip"}}}}};
    scene["items"] = {{{"name", "clip"}, {"type", "videoClip"}}};
    scene["objects"][1]["material"] = "open";
    scene["objects"][2]["material"] = "monitor";
    for (size_t i : {0, 3}) scene["objects"][i].erase("material");
    CommandResult r = kvrender("'" + writeScene("host-checks.json", scene.dump()) + "' -o '" + tempPath("checks.png") +
                               "' --size 40x30 --spp 2 --quiet");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: material 'open': in "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" samples its Raycast slot 3 calls were not matched by slot 4 calls, which a host would "
                         "pile up (first at pixel "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("warning: material 'monitor' (wrongmonitor): ImageFilter slot 4 was handed another monitor "
                         "than the one StdDialogService slot 4 opened for it"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("material 'open' (unpopped): ImageFilter"), std::string::npos) << r.err;
}

TEST(RenderWarnings, AMeshWithoutTextureCoordinatesIsSaidOncePerObject) {
    if (!built("dotmire.kv")) GTEST_SKIP() << "dotmire.kv not built";
    json scene = json::parse(slurp(std::string(KV_SOURCE_DIR) + "/scenes/stipple.json"));
    json mesh = {{"shape", "obj"}, {"file", std::string(KV_TEST_INPUTS) + "/untextured.obj"}};
    scene["objects"] = json::array();
    for (const char* name : {"left", "right"}) {
        json o = mesh;
        o["name"] = name;
        o["position"] = {std::string(name) == "left" ? -1.2 : 1.2, 0.5, 0};
        scene["objects"].push_back(o);
    }
    scene["objects"].push_back({{"name", "ball"}, {"shape", "sphere"}, {"position", {0, 0.5, -2}}});
    const std::string material = scene["materials"].begin().key();
    for (json& o : scene["objects"]) o["material"] = material;
    auto render = [&](double screenCoords) {
        scene["materials"][material]["channels"]["screenCoords"] = screenCoords;
        return kvrender("'" + writeScene("untextured.json", scene.dump()) + "' -o '" + tempPath("untextured.png") +
                        "' --size 48x32 --spp 2 --threads 3 --quiet");
    };
    CommandResult texture = render(0);
    EXPECT_EQ(texture.status, 0) << texture.err;
    for (const char* name : {"left", "right"}) {
        const std::string warning = "warning: object '" + std::string(name) +
                                    "' has no texture coordinates, and its material '" + material +
                                    "' draws in texture coordinates: its pattern fills the object flat (";
        const size_t at = texture.err.find(warning);
        EXPECT_NE(at, std::string::npos) << texture.err;
        EXPECT_EQ(texture.err.find(warning, at + 1), std::string::npos) << "said twice: " << texture.err;
    }
    EXPECT_EQ(texture.err.find("object 'ball'"), std::string::npos) << texture.err;
    CommandResult screen = render(1);
    EXPECT_EQ(screen.status, 0) << screen.err;
    EXPECT_EQ(screen.err.find("texture coordinates"), std::string::npos) << screen.err;
}

}  // namespace
