// Writes the whole data set of the show into one folder.
#pragma once

#include <string>

namespace tessellune::datagen {

struct DatasetPaths {
    std::string contentDirectory; // the text sources (content/)
    std::string fontDirectory;    // the DejaVu fonts
    std::string outputDirectory;  // created when missing
    bool withSoundtrack = true;   // also synthesise demotune.mp3 when the music library is built in
};

// Reports progress as (fraction done, what is being written).
using ProgressFunction = void (*)(double fraction, const std::string& item);

// Writes meshes, materials, textures, cards and the picture (and the soundtrack when the music
// library is built in). False with a message in error at the first failure.
bool writeDataset(const DatasetPaths& paths, ProgressFunction progress, std::string& error);

} // namespace tessellune::datagen
