// "obj FILE": loads a mesh as the demo does (textures from the file's folder) and prints its counts
// and bounding box after the loader's own console lines.
#include <cstdio>
#include <string>

#include "assets/obj_loader.h"
#include "assets/texture_store.h"
#include "commands.h"

namespace tessellune::inspect {

int runObjCommand(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessellune-inspect obj FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    const size_t slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);

    TextureStore store = createTextureStore();
    const std::unique_ptr<Mesh> mesh = loadObj(fileName, directory, store);
    std::printf("vertices %zu\n", mesh->vertices.size());
    std::printf("normals %zu\n", mesh->normals.size());
    std::printf("texcoords %zu\n", mesh->texcoords.size());
    std::printf("faces %zu\n", mesh->faces.size());
    std::printf("materials %zu\n", mesh->materials.size());
    const Vec4& low = mesh->boxCorners[0];
    const Vec4& high = mesh->boxCorners[7];
    std::printf("min %g %g %g\n", low.x, low.y, low.z);
    std::printf("max %g %g %g\n", high.x, high.y, high.z);
    destroyTextureStore(store);
    return 0;
}

} // namespace tessellune::inspect
