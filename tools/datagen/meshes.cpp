// Builds the dune tile, the floor and the torus-knot object from formulas.
#include "tools/datagen/meshes.h"

#include <cmath>

namespace tessellune::datagen {

namespace {

constexpr double PI = 3.14159265358979323846;

Vec4 point(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 1.0f};
}

Vec4 unit(double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    return {static_cast<float>(x / length), static_cast<float>(y / length), static_cast<float>(z / length),
            0.0f};
}

// An MTL material drawn through its texture; the colours only matter to a viewer that lights it.
MeshMaterial texturedMaterial(const char* name, float r, float g, float b, const char* texture) {
    MeshMaterial m;
    m.name = name;
    m.ambient[0] = m.diffuse[0] = r;
    m.ambient[1] = m.diffuse[1] = g;
    m.ambient[2] = m.diffuse[2] = b;
    m.texture = texture;
    return m;
}

double smoothStep(double t) {
    return t * t * (3.0 - 2.0 * t);
}

// One dune across a period: a long windward rise and a short steep lee face.
double duneProfile(double t) {
    t -= std::floor(t);
    constexpr double crest = 0.8;
    return t < crest ? smoothStep(t / crest) : smoothStep(1.0 - (t - crest) / (1.0 - crest));
}

} // namespace

double duneHeight(double x, double z) {
    const double u = x + 0.5;
    const double w = z + 0.5;
    // The crest meanders along z; every term has a whole number of periods across the tile.
    const double phase = u + 0.12 * std::sin(2.0 * PI * w) + 0.05 * std::sin(2.0 * PI * (u + 2.0 * w));
    const double ripples = 0.006 * std::sin(2.0 * PI * (5.0 * u + 2.0 * w));
    const double swell = 0.03 * (1.0 - std::cos(2.0 * PI * w));
    // Tall crests over narrow troughs: the troughs' view is mostly walls, the crests see the sky, so
    // the baked factors span most of 0 to 1 and the relief survives the field's clipping colour.
    return 0.02 + 0.62 * duneProfile(2.0 * phase) + swell + ripples + 0.006;
}

MeshData makeDuneTile() {
    MeshData mesh;
    mesh.comment = "dunequad: a seamless dune height-field tile, heights along +y";
    mesh.group = "dunes";
    constexpr int n = DUNE_CELLS;
    constexpr double step = 1.0 / n;
    constexpr double h = 1e-3; // finite-difference step for the normals
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            const double x = -0.5 + i * step;
            const double z = -0.5 + j * step;
            mesh.positions.push_back(point(x, duneHeight(x, z), z));
            const double dx = (duneHeight(x + h, z) - duneHeight(x - h, z)) / (2.0 * h);
            const double dz = (duneHeight(x, z + h) - duneHeight(x, z - h)) / (2.0 * h);
            mesh.normals.push_back(unit(-dx, 1.0, -dz));
        }
    }
    auto corner = [&](int i, int j) {
        const int index = j * (n + 1) + i;
        return MeshCorner{index, -1, index};
    };
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            // Counter-clockwise seen from +y: (x, z), (x, z + 1), (x + 1, z) and so on.
            mesh.triangles.push_back({{corner(i, j), corner(i, j + 1), corner(i + 1, j)}, -1});
            mesh.triangles.push_back({{corner(i + 1, j), corner(i, j + 1), corner(i + 1, j + 1)}, -1});
        }
    }
    return mesh;
}

MeshData makeTealFloor() {
    MeshData mesh;
    mesh.comment = "tealfloor: a 2 x 2 square in the z = 0 plane, facing -z";
    mesh.group = "floor";
    mesh.materialLibrary = "tealfloor.mtl";
    mesh.materials.push_back(texturedMaterial("tealfloor", 0.1f, 0.5f, 0.5f, "tealfloor.png"));
    // The floor is drawn 20000 units wide: the texture repeats every 25 units.
    constexpr float repeats = 800.0f;
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
        mesh.positions.push_back(point(c[0], c[1], 0.0));
        mesh.texcoords.push_back(
            {static_cast<float>((c[0] + 1) * 0.5 * repeats), static_cast<float>((c[1] + 1) * 0.5 * repeats)});
    }
    mesh.normals.push_back({0.0f, 0.0f, -1.0f, 0.0f});
    auto corner = [](int i) { return MeshCorner{i, i, 0}; };
    // Clockwise seen from +z, so counter-clockwise seen from -z, the side the floor faces.
    mesh.triangles.push_back({{corner(0), corner(3), corner(2)}, 0});
    mesh.triangles.push_back({{corner(0), corner(2), corner(1)}, 0});
    return mesh;
}

MeshData makeKnotObject() {
    MeshData mesh;
    mesh.comment = "blah: a (2, 3) torus-knot tube, chrome and colour bands";
    mesh.group = "knot";
    mesh.materialLibrary = "blah.mtl";
    mesh.materials = {texturedMaterial("chrome", 0.8f, 0.8f, 0.8f, "envtest256.png"),
                      texturedMaterial("bands", 0.8f, 0.8f, 0.8f, "colors512.png")};

    constexpr int along = 144;    // rings along the knot
    constexpr int around = 12;    // vertices around the tube
    constexpr int bandLength = 9; // rings per material band: 16 bands alternate
    constexpr double knotScale = 0.38;
    constexpr double tube = 0.2;
    struct Point {
        double x, y, z;
    };
    auto centre = [&](double t) {
        const double r = std::cos(3.0 * t) + 2.0;
        return Point{knotScale * r * std::cos(2.0 * t), knotScale * r * std::sin(2.0 * t),
                     -knotScale * std::sin(3.0 * t)};
    };
    std::vector<Vec4> outward;
    for (int i = 0; i <= along; ++i) {
        const double t = 2.0 * PI * (i % along) / along;
        const double e = 1e-3;
        const Point c = centre(t);
        const Point before = centre(t - e);
        const Point after = centre(t + e);
        // Frenet frame from finite differences (in double precision): tangent, then the direction
        // of curvature, then the binormal completing a right-handed frame.
        const Vec4 tangent = unit(after.x - before.x, after.y - before.y, after.z - before.z);
        const double ax = after.x - 2.0 * c.x + before.x;
        const double ay = after.y - 2.0 * c.y + before.y;
        const double az = after.z - 2.0 * c.z + before.z;
        const double along_t = ax * tangent.x + ay * tangent.y + az * tangent.z;
        const Vec4 normal =
            unit(ax - along_t * tangent.x, ay - along_t * tangent.y, az - along_t * tangent.z);
        const Vec4 binormal{tangent.y * normal.z - tangent.z * normal.y,
                            tangent.z * normal.x - tangent.x * normal.z,
                            tangent.x * normal.y - tangent.y * normal.x, 0.0f};
        for (int j = 0; j <= around; ++j) {
            const double a = 2.0 * PI * (j % around) / around;
            const Vec4 d = unit(std::cos(a) * normal.x + std::sin(a) * binormal.x,
                                std::cos(a) * normal.y + std::sin(a) * binormal.y,
                                std::cos(a) * normal.z + std::sin(a) * binormal.z);
            mesh.positions.push_back(point(c.x + tube * d.x, c.y + tube * d.y, c.z + tube * d.z));
            mesh.normals.push_back(d);
            outward.push_back(d);
            // Texture coordinates 2k: a reflection look-up by the normal; 2k + 1: the colour bands.
            mesh.texcoords.push_back({0.5f + 0.48f * d.x, 0.5f + 0.48f * d.y});
            mesh.texcoords.push_back({static_cast<float>(i) / bandLength, static_cast<float>(j) / around});
        }
    }
    // (i, j) -> (i + 1, j) -> (i + 1, j + 1) runs along the knot, then around the tube. Which way
    // round that is depends on the frame's handedness; take it from the first quad, once for all,
    // so that the whole surface keeps one consistent winding.
    auto index = [&](int i, int j) { return i * (around + 1) + j; };
    bool flip = false;
    {
        const MeshTriangle first{{MeshCorner{index(0, 0)}, MeshCorner{index(1, 0)}, MeshCorner{index(1, 1)}},
                                 0};
        const Vec4 n = faceNormal(mesh, first);
        const Vec4& o = outward[index(0, 0)];
        flip = n.x * o.x + n.y * o.y + n.z * o.z < 0.0f;
    }
    for (int i = 0; i < along; ++i) {
        const int material = (i / bandLength) % 2;
        for (int j = 0; j < around; ++j) {
            auto corner = [&](int ii, int jj) {
                const int k = index(ii, jj);
                return MeshCorner{k, 2 * k + material, k};
            };
            MeshTriangle a{{corner(i, j), corner(i + 1, j), corner(i + 1, j + 1)}, material};
            MeshTriangle b{{corner(i, j), corner(i + 1, j + 1), corner(i, j + 1)}, material};
            if (flip) {
                std::swap(a.corners[1], a.corners[2]);
                std::swap(b.corners[1], b.corners[2]);
            }
            mesh.triangles.push_back(a);
            mesh.triangles.push_back(b);
        }
    }
    return mesh;
}

} // namespace tessellune::datagen
