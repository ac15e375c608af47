// tessellune-sync: the authoring tool for sync track files (see sync_tool.h for the commands).
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sync/sync_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out;
    std::string err;
    const int status = tessellune::runSyncTool(args, out, err);
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return status;
}
