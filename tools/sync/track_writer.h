// Writing sync track files: the bytes of one track and the all-or-nothing output of a timeline.
//
// File names are BASE + "_" + NAME + ".track", the names the demo composes when it loads tracks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/sync/timeline_text.h"

namespace tessellune {

// The file contents for keys: the little-endian count, then 9 bytes per key.
std::string encodeTrackFile(const SyncKey* keys, int32_t keyCount);

std::string trackFileName(std::string_view base, std::string_view name);

// The track name inside a file name (a path's last component): what follows BASE + "_" and
// precedes ".track". False when the file name does not have that shape.
bool trackNameFromFileName(std::string_view fileName, std::string_view base, std::string& name);

// Writes OUTDIR/BASE_NAME.track for every track of the timeline, creating OUTDIR when needed.
// Every file is first written beside its target under a temporary name and only renamed into
// place once all were written, so a failed write leaves every existing track file as it was.
bool writeTimelineTracks(const Timeline& timeline, const std::string& outDir, std::string_view base,
                         std::string& error);

} // namespace tessellune
