// tessellune-inspect: checks asset files the way the demo reads them. Dispatches to a subcommand.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "commands.h"

namespace tessellune::inspect {
namespace {

const Command COMMANDS[] = {
    {"png", "FILE [--rgba OUT]   prints WIDTH HEIGHT ERROR; writes the RGBA8 bytes to OUT", runPngCommand},
    {"obj", "FILE                prints the mesh's counts and bounding box", runObjCommand},
    {"render", "MODEL.obj --out FILE.png [--size WxH] [--shader N] [--yaw RADIANS]   previews the model",
     runRenderCommand},
    {"bake", "DIR [--values FILE]   the dune tile's baked occlusion factors: range, mean, histogram",
     runBakeCommand},
};

void printUsage() {
    std::fprintf(stderr, "usage:\n");
    for (const Command& command : COMMANDS) {
        std::fprintf(stderr, "  tessellune-inspect %s %s\n", command.name, command.usage);
    }
}

} // namespace
} // namespace tessellune::inspect

int main(int argc, char** argv) {
    using namespace tessellune::inspect;
    if (argc >= 2) {
        for (const Command& command : COMMANDS) {
            if (std::strcmp(argv[1], command.name) == 0) {
                return command.run(argc - 1, argv + 1);
            }
        }
        std::fprintf(stderr, "unknown subcommand: %s\n", argv[1]);
    }
    printUsage();
    return 2;
}
