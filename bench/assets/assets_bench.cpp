// Benchmark: PNG decode throughput and OBJ load times on the shared test data. Prints figures only.
//   bench_assets [SHARED_DIR]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "assets/file_reader.h"
#include "assets/obj_loader.h"
#include "assets/png_decoder.h"
#include "assets/texture_loader.h"
#include "assets/texture_store.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of `runs` timings of `work`, in seconds.
template <typename Work>
double bestOf(int runs, Work&& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        work();
        best = std::min(best, secondsSince(start));
    }
    return best;
}

void benchPng(const std::string& path, int runs) {
    const std::vector<uint8_t> file = tessellune::readFile(path);
    if (file.empty()) {
        std::printf("png  %-40s missing\n", path.c_str());
        return;
    }
    std::vector<uint8_t> pixels;
    tessellune::PngInfo info;
    const double decode = bestOf(runs, [&] { info = tessellune::decodePng(file, pixels); });
    const double rgbaMB = double(pixels.size()) / (1024.0 * 1024.0);
    const double fileMB = double(file.size()) / (1024.0 * 1024.0);
    const double texture = bestOf(runs, [&] {
        tessellune::FloatImage* image =
            tessellune::makeTextureImage(pixels, int32_t(info.width), int32_t(info.height));
        tessellune::releaseFloatImage(*image);
        delete image;
    });
    const std::string name = path.substr(path.find_last_of('/') + 1);
    std::printf("png  %-26s %5u x %-5u error %d: decode %8.2f ms, %7.1f MB/s of RGBA8 (%6.1f MB/s of file); "
                "float texels %7.2f ms\n",
                name.c_str(), info.width, info.height, info.error, decode * 1e3, rgbaMB / decode,
                fileMB / decode, texture * 1e3);
}

void benchObj(const std::string& folder, const std::string& file, int runs) {
    size_t faces = 0;
    // The loader prints its progress lines; keep them out of the figures.
    std::fflush(stdout);
    const int console = dup(STDOUT_FILENO);
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, STDOUT_FILENO);
    const double load = bestOf(runs, [&] {
        tessellune::TextureStore store = tessellune::createTextureStore();
        faces = tessellune::loadObj(file, folder, store)->faces.size();
        tessellune::destroyTextureStore(store);
    });
    std::fflush(stdout);
    dup2(console, STDOUT_FILENO);
    close(console);
    close(nowhere);
    std::printf("obj  %-26s %7zu triangles: load %8.2f ms (textures included)\n", file.c_str(), faces,
                load * 1e3);
}

} // namespace

int main(int argc, char** argv) {
    const std::string shared = argc > 1 ? argv[1] : TESSELLUNE_SHARED_DIR;
    const std::string suite = shared + "/testdata/pngsuite/";
    const std::string models = shared + "/testdata/models/";
    benchPng(models + "spot/spot_texture.png", 5);
    benchPng(models + "avocado/Avocado_baseColor.png", 3);
    benchPng(suite + "basi6a16.png", 200);
    benchPng(suite + "basn2c08.png", 200);
    std::fflush(stdout);
    benchObj(models + "stanford-bunny/", "stanford-bunny.obj", 3);
    benchObj(models + "spot/", "spot_quadrangulated.obj", 5);
    benchObj(models + "avocado/", "avocado.obj", 3);
    return 0;
}
