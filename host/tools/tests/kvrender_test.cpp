// The kvrender command as a user runs it: exit codes and messages.
#include "kvrender_command.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "image_buffer.h"
#include "testing/png_bytes.h"

namespace {

using kvt::test::CommandResult;
using kvt::test::built;
using kvt::test::kvrender;
using kvt::test::writeScene;

TEST(Kvrender, BadCommandLinesShowUsage) {
    struct Case {
        const char* args;
        const char* message;
    } cases[] = {
        {"", "no scene file given"},
        {"scenes/gooch.json", "no output file given"},
        {"scenes/gooch.json -o", "-o needs a value"},
        {"scenes/gooch.json -o x.png --size 0x10", "--size expects WxH"},
        {"scenes/gooch.json -o x.png --size 16385x10", "--size expects WxH"},
        {"scenes/gooch.json -o x.png --size 64", "--size expects WxH"},
        {"scenes/gooch.json -o x.png --spp -3", "--spp expects a number"},
        {"scenes/gooch.json -o x.png --threads many", "--threads expects a number"},
        {"scenes/gooch.json -o x.png --fast", "unknown option '--fast'"},
        {"a.json b.json -o x.png", "more than one scene file"},
        {"--list tepidon.kv scenes/gooch.json", "--list takes no scene file"},
    };
    for (const Case& c : cases) {
        CommandResult r = kvrender(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_NE(r.err.find("usage: kvrender"), std::string::npos) << c.args;
    }
    CommandResult help = kvrender("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--list PLUGIN.kv"), std::string::npos);
}

TEST(Kvrender, BadScenesFailWithTheirKey) {
    if (!built("tepidon.kv")) GTEST_SKIP() << "tepidon.kv not built";
    const std::string tail = R"(, "camera": {}, "objects": [{"shape": "sphere", "material": "m"}]})";
    struct Case {
        std::string scene, message;
    } cases[] = {
        {R"({"materials": {"m": {"plugin": "missing.kv", "server": "gooch"}})" + tail,
         "materials.m.plugin: plug-in 'missing.kv' not found"},
        {R"({"materials": {"m": {"plugin": "tepidon.kv", "server": "toon"}})" + tail,
         "materials.m.server: unknown material 'toon' in tepidon.kv"},
        {R"({"materials": {"m": {"plugin": "tepidon.kv", "server": "gooch", "channels": {"warmth": 1}}})" + tail,
         "no channel 'warmth'"},
        {R"({"materials": {}, "camera": {}, "objects": [{"shape": "sphere", "material": "m"}]})",
         "objects[0].material: unknown material 'm'"},
        {R"({"objects": [{"shape": "sphere"}]})", "camera: the scene has no camera"},
        {R"({"materials": {"m": {"plugin": "tepidon.kv", "server": "gooch"}}, "camera": {})", "not valid JSON"},
    };
    for (const Case& c : cases) {
        std::string path = writeScene("bad-scene.json", c.scene);
        CommandResult r = kvrender("'" + path + "' -o '" + ::testing::TempDir() + "/" + std::to_string(getpid()) + "-bad.png' --quiet");
        EXPECT_EQ(r.status, 1) << c.scene;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.scene << "\n  gave: " << r.err;
        EXPECT_NE(r.err.find("bad-scene.json"), std::string::npos) << r.err;
    }
    CommandResult missing = kvrender("no/such/scene.json -o x.png");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no/such/scene.json: cannot open the scene file"), std::string::npos) << missing.err;
}

TEST(Kvrender, ControlBytesQuotedFromInputsAreShownEscaped) {
    // A clip picture whose chunk type clears the screen.
    const std::string picture = writeScene("clear.png", kvt::test::pngFile(4, 4, 8, 2) +
                                                            kvt::test::pngChunk("\x1b[2J", "") +
                                                            kvt::test::pngChunk("IEND", ""));
    const std::string sphere = R"({"camera": {}, "objects": [{"shape": "sphere")";
    struct Case {
        std::string sceneFile, message;
    } cases[] = {
        // A material name that sets the terminal's title, or in UTF-8 as it stands.
        {writeScene("title.json", sphere + R"(, "material": "\u001b]0;owned\u0007"}]})"),
         "objects[0].material: unknown material '\\x1b]0;owned\\x07'"},
        {writeScene("kuehl.json", sphere + R"(, "material": "K\u00fchl"}]})"), "unknown material 'K\u00fchl'"},
        // A key with a colour sequence and a C1 control (U+009B, a CSI of its own).
        {writeScene("key.json", sphere + R"(}], "\u001b[31m\u009b": 1})"), "scene.\\x1b[31m\\xc2\\x9b: unknown key"},
        {writeScene("chunk.json", sphere + R"(}], "items": [{"name": "c", "type": "videoClip", "image": ")" +
                                      picture + R"("}]})"),
         "items[0].image: cannot read image '" + picture + "': \\x1b[2J PNG chunk not known"},
        // A file name, with a byte that is no UTF-8.
        {"no\x1b[2J\xffscene.json", "no\\x1b[2J\\xffscene.json: cannot open the scene file"},
    };
    for (const Case& c : cases) {
        CommandResult r = kvrender("'" + c.sceneFile + "' -o '" + kvt::test::tempPath("escaped.png") + "' --quiet");
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("kvrender: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        for (char ch : r.err) EXPECT_TRUE(ch == '\n' || uint8_t(ch) >= 0x20) << "raw control byte in " << r.err;
    }
}

TEST(Kvrender, RendersAPngAndAFloatDump) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    const std::string base = ::testing::TempDir() + "/" + std::to_string(getpid()) + "-kvtest-small";
    const std::string png = base + ".png", pfm = base + ".pfm";
    std::remove(png.c_str());
    CommandResult r = kvrender("scenes/kvtest.json -o '" + png + "' --size 32x24 --spp 1 --threads 3 --dump-float '" + pfm + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, png + "\n");
    kvr::ImageBuffer a, b;
    std::string error;
    ASSERT_TRUE(kvr::ImageBuffer::readPng(png, a, error)) << error;
    ASSERT_TRUE(kvr::ImageBuffer::readFloatMap(pfm, b, error)) << error;
    EXPECT_EQ(a.width(), 32u);
    EXPECT_EQ(a.height(), 24u);
    kvr::ImageDifference d = kvr::compareImages(a, b, 1.0);
    EXPECT_TRUE(d.sameSize);
    EXPECT_EQ(d.fractionAbove, 0.0);
    CommandResult unwritable = kvrender("scenes/kvtest.json -o /no/such/dir/x.png --size 8x8 --quiet");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write PNG file '/no/such/dir/x.png'"), std::string::npos) << unwritable.err;
}

TEST(Kvrender, RunsTheThreadsAskedAlsoBeyondTheCoresAndSaysHowMany) {
    if (!built("kvtest.kv")) GTEST_SKIP() << "kvtest.kv not built";
    kvt::test::FewCores two(2);
    const std::string png = ::testing::TempDir() + "/" + std::to_string(getpid()) + "-threads.png";
    auto run = [&](const std::string& threads) {
        return kvrender("scenes/kvtest.json -o '" + png + "' --size 64x48 --spp 2 --threads " + threads);
    };
    const std::string every = std::to_string(two.cores()) + (two.cores() == 1 ? " thread\n" : " threads\n");
    for (const auto& [threads, said] : {std::pair<std::string, std::string>{"5", "5 threads\n"}, {"1", "1 thread\n"},
                                        {"0", every}}) {
        CommandResult r = run(threads);
        ASSERT_EQ(r.status, 0) << r.err;
        // One line, kvrender's own: nothing from the threading library.
        const std::string summary = "kvrender: 64x48, 2 samples per pixel, ";
        EXPECT_EQ(r.err.substr(0, summary.size()), summary) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), said.size() + 3)), "on " + said) << r.err;
    }
}

TEST(Kvrender, ListsServersTagsAndChannels) {
    if (!built("tepidon.kv")) GTEST_SKIP() << "tepidon.kv not built";
    CommandResult r = kvrender("--list tepidon.kv");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* text : {"server \"gooch\"", "server \"gooch.packet\"", "server \"GoochPFX\"",
                             "vpacket.category      sample", "channels of item type \"material.gooch\" (13)",
                             "warmColor.B", "packet size 48 bytes", "effect on packet \"gooch.packet\", 4 values"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    CommandResult missing = kvrender("--list nothing-here.kv");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("plug-in 'nothing-here.kv' not found"), std::string::npos) << missing.err;
    CommandResult notLib = kvrender("--list scenes/gooch.json");
    EXPECT_EQ(notLib.status, 1);
    EXPECT_NE(notLib.err.find("not a loadable library"), std::string::npos) << notLib.err;
}

TEST(Kvrender, ListsLongNamesApartFromTheirTypes) {
    if (!built("screenmoor.kv")) GTEST_SKIP() << "screenmoor.kv not built";
    CommandResult r = kvrender("--list screenmoor.kv");
    ASSERT_EQ(r.status, 0) << r.err;
    // A 22-letter value name once ran into its type ("halftone2SpecularLevelpercent").
    EXPECT_NE(r.out.find("  halftone2SpecularLevel  percent   flags 0x30\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  halftone2CellOffset     float     flags 0x30\n"), std::string::npos) << r.out;
}

}  // namespace
