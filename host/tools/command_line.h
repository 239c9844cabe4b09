// The kvrender command line.
//
//   kvrender SCENE.json -o OUT.png [--size WxH] [--spp N] [--threads N]
//            [--dump-float OUT.pfm] [--max-memory MB] [--quiet]
//   kvrender --list PLUGIN.kv
//   kvrender --help
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/input_file.h"

namespace kvt {

struct CommandLine {
    enum class Mode { Render, List, Help } mode = Mode::Render;
    std::string scene;      // Render
    std::string output;     // -o
    std::string floatDump;  // --dump-float
    std::string plugin;     // List
    uint32_t width = 0, height = 0, spp = 0;  // 0: the scene's
    uint32_t threads = 0;                     // 0: every core
    uint32_t maxMemoryMiB = 4096;             // the memory limit (kvh::kDefaultMemoryLimit)
    bool quiet = false;                       // no progress line
};

// False with a message on a bad command line.
bool parseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// Why an output of `cl` would replace one of the files the scene reads (the
// same file once links are followed, hard links and any spelling included),
// or "": "-o 'x.json' would replace the scene file 'scenes/x.json'".
std::string outputReplacingAnInput(const CommandLine& cl, const std::vector<kvh::InputFile>& inputs);

extern const char* const kUsage;

}  // namespace kvt
