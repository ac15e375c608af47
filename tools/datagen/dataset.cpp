// The list of files the show needs and the order they are written in.
#include "tools/datagen/dataset.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "tools/datagen/meshes.h"
#include "tools/datagen/particle_picture.h"
#include "tools/datagen/png_writer.h"
#include "tools/datagen/textures.h"
#include "tools/datagen/title_cards.h"

#ifdef TESSELLUNE_HAVE_MUSIC
#include "tools/datagen/music/soundtrack.h"
#endif

namespace tessellune::datagen {

namespace {

bool writeText(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

bool readText(const std::string& path, std::string& text, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream buffer;
    buffer << file.rdbuf();
    text = buffer.str();
    return true;
}

bool writeMesh(const std::string& directory, const std::string& name, const MeshData& mesh,
               std::string& error) {
    if (!writeText(directory + "/" + name, objText(mesh), error)) {
        return false;
    }
    return mesh.materialLibrary.empty() ||
           writeText(directory + "/" + mesh.materialLibrary, mtlText(mesh), error);
}

struct Job {
    std::string item;
    std::function<bool(std::string&)> run;
};

#ifdef TESSELLUNE_HAVE_MUSIC
// Maps the synthesiser's own progress into the slice of the whole run that the soundtrack takes.
struct MusicProgress {
    ProgressFunction progress;
    double start;
    double span;
};

void onMusicProgress(double fraction, void* user) {
    const auto* music = static_cast<const MusicProgress*>(user);
    if (music->progress != nullptr) {
        music->progress(music->start + music->span * fraction, "demotune.mp3");
    }
}
#endif

} // namespace

bool writeDataset(const DatasetPaths& paths, ProgressFunction progress, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(paths.outputDirectory, ec);
    if (ec) {
        error = "cannot create " + paths.outputDirectory + ": " + ec.message();
        return false;
    }
    const std::string out = paths.outputDirectory;
    std::vector<Job> jobs;
    auto png = [&](const std::string& name, RgbaImage (*make)()) {
        jobs.push_back(
            {name, [out, name, make](std::string& e) { return writePng(out + "/" + name, make(), e); }});
    };
    auto mesh = [&](const std::string& name, MeshData (*make)()) {
        jobs.push_back({name, [out, name, make](std::string& e) { return writeMesh(out, name, make(), e); }});
    };
    mesh("dunequad.obj", makeDuneTile);
    mesh("tealfloor.obj", makeTealFloor);
    mesh("blah.obj", makeKnotObject);
    png("colors512.png", makeColorsTexture);
    png("envtest256.png", makeEnvironmentTexture);
    png("openfloor.png", makeOpenFloorTexture);
    png("tealfloor.png", makeTealFloorTexture);
    png("finishedgirl.png", makeParticlePicture);

    std::string cardText;
    std::vector<CardSource> cards;
    if (!readText(paths.contentDirectory + "/titlecards.txt", cardText, error) ||
        !parseTitleCards(cardText, cards, error)) {
        error = "titlecards.txt: " + error;
        return false;
    }
    for (size_t i = 0; i < cards.size(); ++i) {
        // Cards are listed in slot order, three to a scene; the demo composites them unclipped.
        jobs.push_back({cards[i].file, [out, card = cards[i], slot = CARD_SLOTS[i % 3],
                                        fonts = paths.fontDirectory](std::string& e) {
                            RgbaImage image;
                            return renderTitleCard(card, fonts, image, e) && checkCardFits(image, slot, e) &&
                                   writePng(out + "/" + card.file, image, e);
                        }});
    }
#ifdef TESSELLUNE_HAVE_MUSIC
    // The soundtrack comes last: it takes the longest and reports its own progress.
    MusicProgress music{progress, 0.0, 0.0};
    if (paths.withSoundtrack) {
        jobs.push_back(
            {"demotune.mp3", [&music, out, score = paths.contentDirectory + "/music"](std::string& e) {
                 return writeSoundtrack(score, out + "/demotune.mp3", onMusicProgress, &music, e);
             }});
    }
#endif

    for (size_t i = 0; i < jobs.size(); ++i) {
#ifdef TESSELLUNE_HAVE_MUSIC
        music.start = static_cast<double>(i) / jobs.size();
        music.span = 1.0 / jobs.size();
#endif
        if (progress != nullptr) {
            progress(static_cast<double>(i) / jobs.size(), jobs[i].item);
        }
        if (!jobs[i].run(error)) {
            error = jobs[i].item + ": " + error;
            return false;
        }
    }
    if (progress != nullptr) {
        progress(1.0, "done");
    }
    return true;
}

} // namespace tessellune::datagen
