#include "command_line.h"

#include <cstdlib>

#include "output_file.h"

namespace kvt {

const char* const kUsage =
    "usage: kvrender SCENE.json -o OUT.png [--size WxH] [--spp N] [--threads N]\n"
    "                [--dump-float OUT.pfm] [--max-memory MB] [--quiet]\n"
    "       kvrender --list PLUGIN.kv\n"
    "\n"
    "  -o OUT.png            write the rendered image as PNG\n"
    "  --size WxH            image size (default: the scene's \"render\" size)\n"
    "  --spp N               samples per pixel (default: the scene's)\n"
    "  --threads N           render threads (default 0: every core)\n"
    "  --dump-float OUT.pfm  also write the linear float image (portable float map)\n"
    "  --max-memory MB       most memory for the frame and for each clip picture (default 4096)\n"
    "  --quiet               no progress line\n"
    "  --list PLUGIN.kv      print the plug-in's servers, tags and channel tables\n";

namespace {

// A whole decimal number in [lo, hi].
bool parseCount(const std::string& text, uint32_t lo, uint32_t hi, uint32_t& out) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
    if (v < lo || v > hi) return false;
    out = uint32_t(v);
    return true;
}

}  // namespace

bool parseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
    out = CommandLine{};
    bool list = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "-h" || a == "--help") {
            out.mode = CommandLine::Mode::Help;
            return true;
        } else if (a == "-o" || a == "--output") {
            if (!value(out.output)) return false;
        } else if (a == "--dump-float") {
            if (!value(out.floatDump)) return false;
        } else if (a == "--list") {
            if (!value(out.plugin)) return false;
            list = true;
        } else if (a == "--size") {
            if (!value(v)) return false;
            size_t x = v.find('x');
            if (x == std::string::npos || !parseCount(v.substr(0, x), 1, 16384, out.width) ||
                !parseCount(v.substr(x + 1), 1, 16384, out.height)) {
                error = "--size expects WxH with each side from 1 to 16384, not '" + v + "'";
                return false;
            }
        } else if (a == "--spp") {
            if (!value(v)) return false;
            if (!parseCount(v, 1, 4096, out.spp)) {
                error = "--spp expects a number from 1 to 4096, not '" + v + "'";
                return false;
            }
        } else if (a == "--threads") {
            if (!value(v)) return false;
            if (!parseCount(v, 0, 1024, out.threads)) {
                error = "--threads expects a number from 0 to 1024, not '" + v + "'";
                return false;
            }
        } else if (a == "--max-memory") {
            if (!value(v)) return false;
            if (!parseCount(v, 1, 1u << 20, out.maxMemoryMiB)) {
                error = "--max-memory expects megabytes from 1 to 1048576, not '" + v + "'";
                return false;
            }
        } else if (a == "--quiet" || a == "-q") {
            out.quiet = true;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option '" + a + "'";
            return false;
        } else if (out.scene.empty()) {
            out.scene = a;
        } else {
            error = "more than one scene file given ('" + out.scene + "', '" + a + "')";
            return false;
        }
    }
    if (list) {
        if (!out.scene.empty() || !out.output.empty()) {
            error = "--list takes no scene file and no output";
            return false;
        }
        out.mode = CommandLine::Mode::List;
        return true;
    }
    if (out.scene.empty()) {
        error = "no scene file given";
        return false;
    }
    if (out.output.empty()) {
        error = "no output file given (-o OUT.png)";
        return false;
    }
    if (!out.floatDump.empty() && kvr::sameOutputFile(out.output, out.floatDump)) {
        error = "-o and --dump-float name the same file '" + out.floatDump + "'";
        return false;
    }
    return true;
}

std::string outputReplacingAnInput(const CommandLine& cl, const std::vector<kvh::InputFile>& inputs) {
    for (const auto& [flag, output] : {std::pair{"-o", &cl.output}, std::pair{"--dump-float", &cl.floatDump}})
        for (const kvh::InputFile& input : inputs)
            if (!output->empty() && kvh::SameExistingFile(*output, input.path))
                return std::string(flag) + " '" + *output + "' would replace " + input.what + " '" + input.path + "'";
    return "";
}

}  // namespace kvt
