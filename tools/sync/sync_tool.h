// The tessellune-sync command line: compile a timeline, dump a track file, evaluate a track, draw a timeline.
//
//   tessellune-sync compile TIMELINE.txt OUTDIR [--base sync]
//   tessellune-sync dump FILE.track [--base sync]
//   tessellune-sync eval FILE.track ROW...
//   tessellune-sync plot (TIMELINE.txt | FILE.track... | DIR...) --out PICTURE.png [--tempo BPM]
//                        [--beats-per-bar 4] [--seconds S] [--scene scene] [--base sync]
//
// Exit status: 0 on success, 1 when an input is wrong (the message names it), 2 on bad usage.
#pragma once

#include <string>
#include <vector>

namespace tessellune {

inline constexpr const char* DEFAULT_SYNC_BASE = "sync";

// Runs one command; args excludes the program name. Standard output and error text are returned
// in out and err rather than printed, so tests can read them.
int runSyncTool(const std::vector<std::string>& args, std::string& out, std::string& err);

} // namespace tessellune
