// kvrender: renders a scene file with the stand-in host, or lists a plug-in.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>

#include "command_line.h"
#include "core/printable.h"
#include "out_of_memory.h"
#include "output_file.h"
#include "plugin_listing.h"
#include "ray_scene.h"
#include "render_job.h"
#include "renderer.h"

namespace {

// Every message goes to standard error behind the command's name, with the
// bytes it quotes from input files escaped.
// One write per line: a thread that ends the process for want of memory may
// say its own line at the same time.
void say(const std::string& message) { std::cerr << "kvrender: " + kvh::Printable(message) + "\n"; }

// The name a scene gives a material road.
std::string materialName(const kvr::RenderJob& job, const kvh::MaterialRoad* road) {
    for (const auto& [name, r] : job.loaded->materials)
        if (r.get() == road) return name;
    return road->server();
}

int render(const kvt::CommandLine& cl) {
    // A write beyond a file-size limit, or into a pipe nobody reads any more,
    // fails with a reason instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    kvr::removeTemporaryFilesOnInterrupt();
    std::string stage = "loading the scene";
    kvt::SetActivity(stage);
    try {
        kvr::RenderOverrides overrides;
        overrides.width = cl.width;
        overrides.height = cl.height;
        overrides.spp = cl.spp;
        overrides.memoryLimit = uint64_t(cl.maxMemoryMiB) << 20;
        kvr::RenderJob job;
        std::string error;
        if (!kvr::loadRenderJob(cl.scene, overrides, job, error)) {
            say(error);
            return 1;
        }
        if (const std::string clash = kvt::outputReplacingAnInput(cl, job.inputs); !clash.empty()) {
            say(clash);
            return 2;
        }
        for (const std::string& w : job.session->warnings()) say("warning: " + w);
        // The outputs exist (as temporary files) before the render starts: a
        // path that cannot be written is reported at once.
        kvr::OutputFile png, floats;
        if (!png.open(cl.output, "PNG file", error, say) ||
            (!cl.floatDump.empty() && !floats.open(cl.floatDump, "float map", error, say))) {
            say(error);
            return 1;
        }
        const kvr::RenderSettings& size = job.scene.settings;
        stage = "rendering the " + std::to_string(size.width) + " x " + std::to_string(size.height) + " frame";
        kvt::SetActivity(stage);
        auto start = std::chrono::steady_clock::now();
        kvr::ImageBuffer image;
        uint32_t threads = 0;
        {
            kvr::Renderer renderer(job.scene, job.session->Layout(), job.roads);
            image = renderer.Render(cl.threads, !cl.quiet);
            threads = renderer.Threads();
            auto name = [&](const kvh::MaterialRoad* road) { return materialName(job, road); };
            for (const std::string& w : renderer.Warnings(name)) say("warning: " + w);
        }
        double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        stage = "encoding the " + std::to_string(size.width) + " x " + std::to_string(size.height) + " frame";
        kvt::SetActivity(stage);
        // Files go to their temporary files first, streams after them, and the
        // files are put in place only then: an output that fails leaves every
        // old file as it was.
        const bool withFloats = !cl.floatDump.empty();
        auto writePng = [&] { return image.writePng(png, error); };
        auto writeFloats = [&] { return !withFloats || image.writeFloatMap(floats, error); };
        if (!(png.isStream() ? writeFloats() && writePng() : writePng() && writeFloats()) ||
            !kvr::placeAll({&png, withFloats ? &floats : nullptr}, error)) {
            say(error);
            return 1;
        }
        if (!cl.quiet)
            std::fprintf(stderr, "kvrender: %ux%u, %u samples per pixel, %.2f s on %u thread%s\n", image.width(),
                         image.height(), job.scene.settings.spp, secs, threads, threads == 1 ? "" : "s");
        // A stream (standard output, a pipe) gets the image and nothing else.
        if (!png.isStream() && !(withFloats && floats.isStream())) std::cout << kvh::Printable(cl.output) << "\n";
        return 0;
    } catch (const std::exception&) {
        // Memory, or a thread, that could not be had, wherever it was asked for.
        if (!kvt::OutOfMemory()) throw;
        say("out of memory while " + stage);
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    kvt::EndUncaughtOutOfMemoryWithAMessage();
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        kvt::CommandLine cl;
        std::string error;
        if (!kvt::parseCommandLine(args, cl, error)) {
            say(error);
            std::cerr << kvt::kUsage;
            return 2;
        }
        switch (cl.mode) {
            case kvt::CommandLine::Mode::Help:
                std::cout << kvt::kUsage;
                return 0;
            case kvt::CommandLine::Mode::List:
                if (!kvt::listPlugin(cl.plugin, std::cout, error)) {
                    say(error);
                    return 1;
                }
                return 0;
            case kvt::CommandLine::Mode::Render: {
                const int code = render(cl);
                // Work of a failed ray-tracer build may still run: no teardown under it.
                if (kvr::RayScene::WorkAbandoned()) kvt::EndAtOnce(code);
                return code;
            }
        }
    } catch (const std::exception& e) {
        say(std::string("internal error: ") + e.what());
    }
    return 1;
}
