#include "tools/lvgen/Shapes.h"

#include "tools/picgen/Noise.h"

#include <cmath>

namespace {

constexpr float pi = 3.14159265358979f;

Vec3 normalised(Vec3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0) return {0, 0, 1};
    return {v.x / length, v.y / length, v.z / length};
}

Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

int32_t addVertex(MeshGeometry& mesh, Vec3 position, Vec3 normal, Vec2 uv) {
    mesh.positions.push_back(position);
    mesh.normals.push_back(normal);
    mesh.uvs.push_back(uv);
    return int32_t(mesh.positions.size() - 1);
}

// A quad a b c d, counter-clockwise seen from where the normal points.
void addQuad(MeshGeometry& mesh, int32_t a, int32_t b, int32_t c, int32_t d) {
    mesh.faces.push_back({a, b, c});
    mesh.faces.push_back({a, c, d});
}

// A grid of (columns + 1) × (rows + 1) vertices from a surface function; quads wound so
// that the surface's normal side faces out.
template <typename Surface>
MeshGeometry grid(int columns, int rows, Surface surface) {
    MeshGeometry mesh;
    for (int row = 0; row <= rows; ++row) {
        for (int column = 0; column <= columns; ++column) {
            const float u = float(column) / float(columns);
            const float v = float(row) / float(rows);
            Vec3 position, normal;
            surface(u, v, position, normal);
            addVertex(mesh, position, normal, {u, v});
        }
    }
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int32_t a = row * (columns + 1) + column;
            addQuad(mesh, a, a + 1, a + columns + 2, a + columns + 1);
        }
    }
    return mesh;
}

}  // namespace

namespace shapes {

MeshGeometry box(float width, float height, float depth) {
    MeshGeometry mesh;
    const float x = width / 2, y = height / 2, z = depth / 2;
    struct Face {
        Vec3 normal, right, up;
    };
    const Face faces[] = {
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
    };
    for (const Face& f : faces) {
        auto corner = [&](float r, float u) {
            return Vec3{(f.normal.x + f.right.x * r + f.up.x * u) * x, (f.normal.y + f.right.y * r + f.up.y * u) * y,
                        (f.normal.z + f.right.z * r + f.up.z * u) * z};
        };
        const int32_t a = addVertex(mesh, corner(-1, -1), f.normal, {0, 0});
        const int32_t b = addVertex(mesh, corner(1, -1), f.normal, {1, 0});
        const int32_t c = addVertex(mesh, corner(1, 1), f.normal, {1, 1});
        const int32_t d = addVertex(mesh, corner(-1, 1), f.normal, {0, 1});
        addQuad(mesh, a, b, c, d);
    }
    return mesh;
}

MeshGeometry sphere(float radius, int segments, int rings) {
    return grid(segments, rings, [radius](float u, float v, Vec3& position, Vec3& normal) {
        const float longitude = u * 2 * pi;
        const float latitude = (v - 0.5f) * pi;
        normal = {std::cos(latitude) * std::sin(longitude), std::sin(latitude), std::cos(latitude) * std::cos(longitude)};
        position = {normal.x * radius, normal.y * radius, normal.z * radius};
    });
}

MeshGeometry torus(float majorRadius, float minorRadius, int segments, int sides) {
    return grid(segments, sides, [=](float u, float v, Vec3& position, Vec3& normal) {
        const float around = u * 2 * pi;
        const float tube = v * 2 * pi;
        const Vec3 centre{std::sin(around) * majorRadius, 0, std::cos(around) * majorRadius};
        normal = {std::sin(around) * std::cos(tube), std::sin(tube), std::cos(around) * std::cos(tube)};
        position = {centre.x + normal.x * minorRadius, centre.y + normal.y * minorRadius,
                    centre.z + normal.z * minorRadius};
    });
}

MeshGeometry plane(float width, float depth, int divisions) {
    return grid(divisions, divisions, [=](float u, float v, Vec3& position, Vec3& normal) {
        position = {(u - 0.5f) * width, 0, (0.5f - v) * depth};
        normal = {0, 1, 0};
    });
}

MeshGeometry extrusion(int points, float outerRadius, float innerRadius, float depth) {
    MeshGeometry mesh;
    const int corners = points * 2;
    std::vector<Vec2> outline(static_cast<size_t>(corners));
    for (int i = 0; i < corners; ++i) {
        const float angle = float(i) / float(corners) * 2 * pi;
        const float r = i % 2 == 0 ? outerRadius : innerRadius;
        outline[size_t(i)] = {std::sin(angle) * r, std::cos(angle) * r};
    }
    const float front = depth / 2, back = -depth / 2;
    // Sides: each outline edge a quad with its own flat normal; the outline runs clockwise
    // seen from +z, so front p, front q, back q, back p is counter-clockwise from outside.
    for (int i = 0; i < corners; ++i) {
        const Vec2 p = outline[size_t(i)], q = outline[size_t((i + 1) % corners)];
        const Vec3 normal = normalised({p.y - q.y, q.x - p.x, 0});
        const float u0 = float(i) / float(corners), u1 = float(i + 1) / float(corners);
        const int32_t a = addVertex(mesh, {p.x, p.y, front}, normal, {u0, 1});
        const int32_t b = addVertex(mesh, {p.x, p.y, back}, normal, {u0, 0});
        const int32_t c = addVertex(mesh, {q.x, q.y, back}, normal, {u1, 0});
        const int32_t d = addVertex(mesh, {q.x, q.y, front}, normal, {u1, 1});
        addQuad(mesh, a, d, c, b);
    }
    // Caps: a fan around the centre.
    for (const float z : {front, back}) {
        const Vec3 normal{0, 0, z > 0 ? 1.0f : -1.0f};
        const float scale = 0.5f / outerRadius;
        const int32_t centre = addVertex(mesh, {0, 0, z}, normal, {0.5f, 0.5f});
        const int32_t first = int32_t(mesh.positions.size());
        for (const Vec2& p : outline) addVertex(mesh, {p.x, p.y, z}, normal, {0.5f + p.x * scale, 0.5f + p.y * scale});
        for (int i = 0; i < corners; ++i) {
            const int32_t a = first + i, b = first + (i + 1) % corners;
            if (z > 0) {
                mesh.faces.push_back({centre, b, a});
            } else {
                mesh.faces.push_back({centre, a, b});
            }
        }
    }
    return mesh;
}

MeshGeometry terrain(float size, int divisions, float height, uint32_t seed) {
    auto heightAt = [=](float u, float v) {
        const float x = u * 4, y = v * 4;
        return Noise::fractal(x, y, seed, 3) * height;
    };
    const float step = 1.0f / float(divisions);
    return grid(divisions, divisions, [=](float u, float v, Vec3& position, Vec3& normal) {
        position = {(u - 0.5f) * size, heightAt(u, v), (0.5f - v) * size};
        // Central differences of the height field.
        const Vec3 alongU{2 * step * size, heightAt(u + step, v) - heightAt(u - step, v), 0};
        const Vec3 alongV{0, heightAt(u, v + step) - heightAt(u, v - step), -2 * step * size};
        normal = normalised(cross(alongU, alongV));
    });
}

}  // namespace shapes
