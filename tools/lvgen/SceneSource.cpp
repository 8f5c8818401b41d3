#include "tools/lvgen/SceneSource.h"

#include "tools/lvgen/Shapes.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

namespace {

constexpr float pi = 3.14159265358979f;

// The animation and placement words every node kind takes.
struct Placement {
    Vec3 at;
    Quaternion turn;        // intended rotation
    Vec3 size{1, 1, 1};
    int32_t parentId = -1;
    bool spin = false;
    Vec3 spinAxis{0, 1, 0};
    float spinTurns = 0;
    float orbitRadius = 0, orbitTurns = 0;
    float bobHeight = 0, bobCycles = 0;
    Vec3 move;
    float pulseAmount = 0, pulseCycles = 0;
};

class Parser {
public:
    Parser(const std::string& name, GeneratedScene& out) : sourceName(name), scene(out) {}

    bool run(const std::string& text) {
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            ++lineNumber;
            const size_t hash = line.find('#');
            if (hash != std::string::npos) line.erase(hash);
            std::istringstream words(line);
            tokens.clear();
            for (std::string word; words >> word;) tokens.push_back(word);
            next = 0;
            if (tokens.empty()) continue;
            if (!statement()) return false;
        }
        return finish();
    }

private:
    bool fail(const std::string& message) {
        std::fprintf(stderr, "lvgen: %s:%d: %s\n", sourceName.c_str(), lineNumber, message.c_str());
        return false;
    }

    bool more() const { return next < tokens.size(); }

    bool word(std::string& out, const char* what) {
        if (!more()) return fail(std::string("expected ") + what);
        out = tokens[next++];
        return true;
    }

    bool number(float& out, const char* what) {
        if (!more()) return fail(std::string("expected ") + what);
        const std::string& token = tokens[next++];
        char* end = nullptr;
        out = std::strtof(token.c_str(), &end);
        if (end == token.c_str() || *end != '\0' || !std::isfinite(out)) {
            return fail("'" + token + "' is not a number (" + what + ")");
        }
        return true;
    }

    bool integer(int32_t& out, const char* what) {
        float value = 0;
        if (!number(value, what)) return false;
        if (value != std::floor(value) || std::fabs(value) > 1e9f) return fail(std::string(what) + " must be a whole number");
        out = int32_t(value);
        return true;
    }

    bool vec3(Vec3& out, const char* what) {
        return number(out.x, what) && number(out.y, what) && number(out.z, what);
    }

    // A new object id: unique and not 0.
    bool newId(int32_t& id) {
        if (!integer(id, "an object id")) return false;
        if (id == 0 || id == -1) return fail("object ids 0 and -1 are reserved");
        if (!ids.insert(id).second) return fail("object id " + std::to_string(id) + " is used twice");
        return true;
    }

    bool statement() {
        const std::string kind = tokens[next++];
        if (kind == "frames") return frames();
        if (framesSeen == false) return fail("the first statement must be 'frames FIRST LAST STEP'");
        if (kind == "texture") return texture();
        if (kind == "material") return material();
        if (kind == "mesh") return mesh();
        if (kind == "dummy") return dummy();
        if (kind == "bare") return bare();
        if (kind == "camera") return camera();
        if (kind == "light") return light();
        return fail("unknown statement '" + kind + "'");
    }

    bool frames() {
        if (framesSeen) return fail("'frames' is given twice");
        if (!integer(firstFrame, "the first frame") || !integer(lastFrame, "the last frame") ||
            !integer(frameStep, "the frame step")) {
            return false;
        }
        if (frameStep <= 0) return fail("the frame step must be above 0");
        if (lastFrame < firstFrame) return fail("the last frame lies before the first");
        frameCount = lvg::frameCountOf(firstFrame, lastFrame, frameStep);
        if (frameCount > 100000) return fail("more than 100000 frames");
        framesSeen = true;
        scene.file.header(firstFrame, lastFrame, frameStep);
        return true;
    }

    bool texture() {
        TextureJob job;
        if (!word(job.dataPath, "a data path") || !word(job.kind, "a texture kind")) return false;
        const int count = textures::argumentCount(job.kind);
        if (count < 0) return fail("unknown texture kind '" + job.kind + "'");
        job.arguments.resize(size_t(count));
        for (float& a : job.arguments) {
            if (!number(a, "a texture argument")) return false;
        }
        if (more()) return fail("too many arguments for texture kind " + job.kind);
        scene.textures.push_back(job);
        return true;
    }

    bool material() {
        lvg::MaterialRecord m;
        m.diffuse = {0.8f, 0.8f, 0.8f};
        m.ambient = {0.2f, 0.2f, 0.2f};
        m.specular = {0.5f, 0.5f, 0.5f};
        m.opacity = 1;
        m.glossiness = 0.25f;
        m.specularLevel = 1;
        if (!integer(m.id, "a material id") || !word(m.name, "a material name")) return false;
        if (materialIds.count(m.id)) return fail("material id " + std::to_string(m.id) + " is used twice");
        while (more()) {
            const std::string key = tokens[next++];
            bool ok = true;
            if (key == "diffuse") ok = vec3(m.diffuse, "a colour");
            else if (key == "ambient") ok = vec3(m.ambient, "a colour");
            else if (key == "specular") ok = vec3(m.specular, "a colour");
            else if (key == "opacity") ok = number(m.opacity, "an opacity");
            else if (key == "gloss") ok = number(m.glossiness, "a glossiness");
            else if (key == "level") ok = number(m.specularLevel, "a specular level");
            else if (key == "map") {
                lvg::TextureEntry entry;
                ok = integer(entry.mapType, "a map type") && word(entry.fileName, "a texture file name");
                if (ok && entry.fileName.find('.') == std::string::npos) return fail("a texture name needs an extension");
                if (ok) m.textures.push_back(entry);
            } else {
                return fail("unknown material word '" + key + "'");
            }
            if (!ok) return false;
        }
        materialIds.insert(m.id);
        materials.push_back(m);
        return true;
    }

    // Reads placement and animation words until the statement ends; kindWords handles the
    // kind's own words (returns 1 taken, 0 not its word, -1 failed).
    template <typename KindWords>
    bool placementWords(Placement& p, KindWords kindWords) {
        while (more()) {
            const std::string key = tokens[next++];
            const int own = kindWords(key);
            if (own < 0) return false;
            if (own > 0) continue;
            bool ok = true;
            if (key == "at") {
                ok = vec3(p.at, "a position");
            } else if (key == "turn") {
                Vec3 axis;
                float degrees = 0;
                ok = vec3(axis, "an axis") && number(degrees, "an angle in degrees");
                if (ok) p.turn = lvgconvention::multiply(lvgconvention::axisAngle(axis, degrees * pi / 180), p.turn);
            } else if (key == "size") {
                ok = vec3(p.size, "a scale");
            } else if (key == "parent") {
                ok = integer(p.parentId, "a parent id");
                if (ok && !rest.count(p.parentId)) {
                    return fail("parent " + std::to_string(p.parentId) + " is not defined earlier");
                }
            } else if (key == "spin") {
                p.spin = true;
                ok = vec3(p.spinAxis, "an axis") && number(p.spinTurns, "a number of turns");
            } else if (key == "orbit") {
                ok = number(p.orbitRadius, "a radius") && number(p.orbitTurns, "a number of turns");
            } else if (key == "bob") {
                ok = number(p.bobHeight, "a height") && number(p.bobCycles, "a number of cycles");
            } else if (key == "move") {
                ok = vec3(p.move, "a distance");
            } else if (key == "pulse") {
                ok = number(p.pulseAmount, "an amount") && number(p.pulseCycles, "a number of cycles");
            } else {
                return fail("unknown word '" + key + "'");
            }
            if (!ok) return false;
        }
        return true;
    }

    // Fills the node header: world rest placement and the sampled tracks.
    void place(lvg::NodeHeader& node, const Placement& p) {
        Vec3 origin;
        if (p.parentId != -1) origin = rest.at(p.parentId);
        const Vec3 at{origin.x + p.at.x, origin.y + p.at.y, origin.z + p.at.z};
        node.parentId = p.parentId;
        node.position = at;
        node.rotation = lvgconvention::storedRotation(p.turn);
        node.scale = p.size;
        rest[node.id] = at;
        const bool moves = p.orbitRadius != 0 || p.bobHeight != 0 || p.move.x != 0 || p.move.y != 0 || p.move.z != 0;
        for (int32_t k = 0; k < frameCount; ++k) {
            const float f = frameCount > 1 ? float(k) / float(frameCount - 1) : 0.0f;
            if (moves) {
                const float orbit = 2 * pi * p.orbitTurns * f;
                node.positionKeys.push_back({at.x + p.move.x * f + std::sin(orbit) * p.orbitRadius,
                                             at.y + p.move.y * f + std::sin(2 * pi * p.bobCycles * f) * p.bobHeight,
                                             at.z + p.move.z * f + (std::cos(orbit) - 1) * p.orbitRadius});
            }
            if (p.spin) {
                const Quaternion turn = lvgconvention::axisAngle(p.spinAxis, 2 * pi * p.spinTurns * f);
                node.rotationKeys.push_back(lvgconvention::storedRotation(lvgconvention::multiply(turn, p.turn)));
            }
            if (p.pulseAmount != 0) {
                const float s = 1 + p.pulseAmount * std::sin(2 * pi * p.pulseCycles * f);
                node.scaleKeys.push_back({p.size.x * s, p.size.y * s, p.size.z * s});
            }
        }
    }

    bool mesh() {
        lvg::MeshRecord m;
        std::string shape;
        if (!newId(m.node.id) || !word(m.node.name, "a mesh name") || !word(shape, "a shape")) return false;
        MeshGeometry geometry;
        std::vector<float> a;
        auto arguments = [&](size_t count) {
            a.resize(count);
            for (float& value : a) {
                if (!number(value, "a shape argument")) return false;
            }
            return true;
        };
        auto whole = [&](float value, int low, int high) { return value == std::floor(value) && value >= float(low) && value <= float(high); };
        if (shape == "box") {
            if (!arguments(3)) return false;
            geometry = shapes::box(a[0], a[1], a[2]);
        } else if (shape == "sphere") {
            if (!arguments(3)) return false;
            if (!whole(a[1], 3, 128) || !whole(a[2], 2, 128)) return fail("a sphere has 3..128 segments and 2..128 rings");
            geometry = shapes::sphere(a[0], int(a[1]), int(a[2]));
        } else if (shape == "torus") {
            if (!arguments(4)) return false;
            if (!whole(a[2], 3, 128) || !whole(a[3], 3, 128)) return fail("a torus has 3..128 segments and sides");
            geometry = shapes::torus(a[0], a[1], int(a[2]), int(a[3]));
        } else if (shape == "plane") {
            if (!arguments(3)) return false;
            if (!whole(a[2], 1, 128)) return fail("a plane has 1..128 divisions");
            geometry = shapes::plane(a[0], a[1], int(a[2]));
        } else if (shape == "extrusion") {
            if (!arguments(4)) return false;
            if (!whole(a[0], 3, 64)) return fail("an extrusion has 3..64 points");
            geometry = shapes::extrusion(int(a[0]), a[1], a[2], a[3]);
        } else if (shape == "terrain") {
            if (!arguments(4)) return false;
            if (!whole(a[1], 1, 128) || !whole(a[3], 0, 1000000)) return fail("a terrain has 1..128 divisions and a seed");
            geometry = shapes::terrain(a[0], int(a[1]), a[2], uint32_t(a[3]));
        } else {
            return fail("unknown shape '" + shape + "'");
        }
        Placement p;
        bool hasMaterial = false;
        bool secondUv = false;
        if (!placementWords(p, [&](const std::string& key) {
                if (key == "material") {
                    hasMaterial = true;
                    return integer(m.node.materialId, "a material id") ? 1 : -1;
                }
                if (key == "uv2") {
                    secondUv = true;
                    return 1;
                }
                return 0;
            })) {
            return false;
        }
        if (!hasMaterial) return fail("a mesh needs a material");
        meshMaterials.push_back({m.node.materialId, lineNumber});
        place(m.node, p);
        m.vertices = geometry.positions;
        m.normals = geometry.normals;
        for (const Vec2& uv : geometry.uvs) m.uvChannel0.push_back(lvgconvention::storedUv(uv));
        if (secondUv) m.uvChannel1 = m.uvChannel0;
        m.faces = geometry.faces;
        if (m.vertices.size() > 65536) return fail("a mesh holds at most 65536 vertices");
        scene.file.mesh(m);
        return true;
    }

    bool dummy() {
        lvg::DummyRecord d;
        if (!newId(d.node.id) || !word(d.node.name, "a name")) return false;
        Placement p;
        if (!placementWords(p, [](const std::string&) { return 0; })) return false;
        place(d.node, p);
        scene.file.dummy(d);
        return true;
    }

    bool bare() {
        lvg::BareNodeRecord b;
        if (!newId(b.id) || !word(b.name, "a name")) return false;
        if (more()) return fail("a bare node has an id and a name only");
        rest[b.id] = {};
        scene.file.bareNode(b);
        return true;
    }

    bool camera() {
        lvg::CameraRecord c;
        if (!newId(c.node.id) || !word(c.node.name, "a camera name")) return false;
        float fov = 45;
        bool targeted = false;
        c.nearClip = 1;
        c.farClip = 2000;
        Placement p;
        if (!placementWords(p, [&](const std::string& key) {
                if (key == "fov") return number(fov, "a vertical fov in degrees") ? 1 : -1;
                if (key == "near") return number(c.nearClip, "a near distance") ? 1 : -1;
                if (key == "far") return number(c.farClip, "a far distance") ? 1 : -1;
                if (key == "target") {
                    targeted = true;
                    return integer(c.targetId, "a target id") ? 1 : -1;
                }
                return 0;
            })) {
            return false;
        }
        if (!targeted) return fail("a camera needs a target");
        if (!(fov > 0 && fov < 180)) return fail("the fov lies between 0 and 180 degrees");
        targets.push_back({c.targetId, lineNumber});
        c.fov = lvgconvention::horizontalFovRadians(fov);
        place(c.node, p);
        scene.file.camera(c);
        return true;
    }

    bool light() {
        lvg::LightRecord l;
        std::string kind;
        if (!newId(l.node.id) || !word(l.node.name, "a light name") || !word(kind, "a light kind")) return false;
        if (kind == "spot") l.lightType = 1;
        else if (kind == "cone") l.lightType = 2;
        else if (kind == "directed") l.lightType = 3;
        else if (kind == "omni") l.lightType = 0;
        else return fail("a light is spot, cone, directed or omni");
        l.colour = {1, 1, 1};
        l.multiplier = 1;
        l.spotCutoff = 45;
        bool targeted = false;
        Placement p;
        if (!placementWords(p, [&](const std::string& key) {
                if (key == "colour") return vec3(l.colour, "a colour") ? 1 : -1;
                if (key == "multiplier") return number(l.multiplier, "a multiplier") ? 1 : -1;
                if (key == "range") return number(l.attenuationRange, "a range") ? 1 : -1;
                if (key == "cutoff") return number(l.spotCutoff, "a cutoff in degrees") ? 1 : -1;
                if (key == "exponent") return number(l.spotExponent, "an exponent") ? 1 : -1;
                if (key == "projector") {
                    l.hasProjector = true;
                    return word(l.projectorTexture, "a texture name") ? 1 : -1;
                }
                if (key == "target") {
                    targeted = true;
                    return integer(l.targetId, "a target id") ? 1 : -1;
                }
                return 0;
            })) {
            return false;
        }
        const bool needsTarget = l.lightType == 1 || l.lightType == 3;
        if (needsTarget != targeted) return fail(needsTarget ? "a spot or directed light needs a target" : "only spot and directed lights take a target");
        if (targeted) targets.push_back({l.targetId, lineNumber});
        place(l.node, p);
        scene.file.light(l);
        return true;
    }

    bool finish() {
        if (!framesSeen) return fail("the first statement must be 'frames FIRST LAST STEP'");
        for (const auto& [target, line] : targets) {
            if (!ids.count(target)) {
                lineNumber = line;
                return fail("target " + std::to_string(target) + " is no object of this scene");
            }
        }
        for (const auto& [id, line] : meshMaterials) {
            if (!materialIds.count(id)) {
                lineNumber = line;
                return fail("material " + std::to_string(id) + " is not defined");
            }
        }
        if (!materials.empty()) scene.file.materials(materials);
        scene.file.end();
        return true;
    }

    std::string sourceName;
    GeneratedScene& scene;
    int lineNumber = 0;
    std::vector<std::string> tokens;
    size_t next = 0;

    bool framesSeen = false;
    int32_t firstFrame = 0, lastFrame = 0, frameStep = 1, frameCount = 1;
    std::set<int32_t> ids;
    std::map<int32_t, Vec3> rest;  // world rest position by object id
    std::set<int32_t> materialIds;
    std::vector<lvg::MaterialRecord> materials;
    std::vector<std::pair<int32_t, int>> targets;        // (id, line)
    std::vector<std::pair<int32_t, int>> meshMaterials;  // (material id, line)
};

}  // namespace

bool generateScene(const std::string& text, const std::string& sourceName, GeneratedScene& scene) {
    scene = GeneratedScene{};
    return Parser(sourceName, scene).run(text);
}
