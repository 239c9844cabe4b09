// kvrender: renders a scene file with the stand-in host, or lists a plug-in.
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>

#include "command_line.h"
#include "plugin_listing.h"
#include "render_job.h"
#include "renderer.h"

namespace {

int render(const kvt::CommandLine& cl) {
    kvr::RenderOverrides overrides;
    overrides.width = cl.width;
    overrides.height = cl.height;
    overrides.spp = cl.spp;
    kvr::RenderJob job;
    std::string error;
    if (!kvr::loadRenderJob(cl.scene, overrides, job, error)) {
        std::cerr << "kvrender: " << error << "\n";
        return 1;
    }
    for (const std::string& w : job.session->warnings()) std::cerr << "kvrender: warning: " << w << "\n";
    auto start = std::chrono::steady_clock::now();
    kvr::ImageBuffer image;
    {
        kvr::Renderer renderer(job.scene, job.session->Layout(), job.roads);
        image = renderer.Render(cl.threads, !cl.quiet);
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!image.writePng(cl.output, error)) {
        std::cerr << "kvrender: " << error << "\n";
        return 1;
    }
    if (!cl.floatDump.empty() && !image.writeFloatMap(cl.floatDump, error)) {
        std::cerr << "kvrender: " << error << "\n";
        return 1;
    }
    if (!cl.quiet)
        std::fprintf(stderr, "kvrender: %ux%u, %u samples per pixel, %.2f s\n", image.width(), image.height(),
                     job.scene.settings.spp, secs);
    std::cout << cl.output << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        kvt::CommandLine cl;
        std::string error;
        if (!kvt::parseCommandLine(args, cl, error)) {
            std::cerr << "kvrender: " << error << "\n" << kvt::kUsage;
            return 2;
        }
        switch (cl.mode) {
            case kvt::CommandLine::Mode::Help:
                std::cout << kvt::kUsage;
                return 0;
            case kvt::CommandLine::Mode::List:
                if (!kvt::listPlugin(cl.plugin, std::cout, error)) {
                    std::cerr << "kvrender: " << error << "\n";
                    return 1;
                }
                return 0;
            case kvt::CommandLine::Mode::Render:
                return render(cl);
        }
    } catch (const std::exception& e) {
        std::cerr << "kvrender: internal error: " << e.what() << "\n";
    }
    return 1;
}
