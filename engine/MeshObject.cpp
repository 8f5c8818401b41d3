#include "engine/MeshObject.h"

#include "base/ErrorReport.h"
#include "engine/FragmentProgram.h"
#include "engine/Light.h"
#include "engine/Material.h"
#include "engine/ProgramMatrices.h"
#include "engine/Scene.h"
#include "engine/ShaderManager.h"
#include "engine/TextureUnits.h"
#include "engine/VertexProgram.h"
#include "resources/Texture.h"

#include <epoxy/gl.h>

#include <cmath>
#include <utility>

namespace {

// The shade model that reads the bump texture against light vectors.
constexpr int32_t bumpShadeModel = 8;

Vec3 at(const std::vector<float>& array, size_t i) {
    return {array[i * 3], array[i * 3 + 1], array[i * 3 + 2]};
}

Vec3 minus(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

float dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 scaled(const Vec3& a, float f) {
    return {a.x * f, a.y * f, a.z * f};
}

Vec3 normalised(const Vec3& a, const Vec3& fallback) {
    const float length = std::sqrt(dot(a, a));
    return length > 1e-12f ? scaled(a, 1.0f / length) : fallback;
}

// The point p (w = 1) through the column-major matrix m.
Vec3 transformed(const Matrix4& m, const Vec3& p) {
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

Matrix4 inverse(const Matrix4& m) {
    const Matrix4 it = ProgramMatrices::inverseTranspose(m);
    Matrix4 out;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) out[column * 4 + row] = it[row * 4 + column];
    }
    return out;
}

uint32_t uploaded(const std::vector<float>& data) {
    if (data.empty()) return 0;
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(data.size() * sizeof(float)), data.data(), GL_STATIC_DRAW);
    return buffer;
}

}  // namespace

MeshObject::MeshObject(int32_t id, std::string name, int32_t materialId)
    : SceneObject(id, std::move(name)), materialIdFromFile(materialId) {}

void MeshObject::bindToScene(Scene& scene) {
    owningScene = &scene;
    spot = scene.findLight("Spot01");
    boundMaterial = scene.material(materialIdFromFile);
    if (!boundMaterial) {
        reportErrorText(LUMORA_HERE, "No Material for mesh", name().c_str(), true);
        return;
    }
    buildGeometry();
}

void MeshObject::buildGeometry() {
    if (geometryBuilt) return;
    const size_t vertexCount = vertices.size();
    const bool broken = (!normals.empty() && normals.size() != vertexCount) ||
                        (!uvSet0.empty() && uvSet0.size() != vertexCount) ||
                        (!uvSet1.empty() && uvSet1.size() != vertexCount);
    bool indexOutside = false;
    for (const auto& face : faces) {
        for (int32_t index : face) {
            if (index < 0 || size_t(index) >= vertexCount) indexOutside = true;
        }
    }
    if (broken || indexOutside) {
        reportError(LUMORA_HERE, "Geometry input is broken", true);
        return;
    }

    const Material* m = boundMaterial;
    positionArray.resize(vertexCount * 3);
    normalArray.resize(vertexCount * 3);
    for (size_t i = 0; i < vertexCount; ++i) {
        positionArray[i * 3] = vertices[i].x;
        positionArray[i * 3 + 1] = vertices[i].y;
        positionArray[i * 3 + 2] = vertices[i].z;
        const Vec3 n = i < normals.size() ? normals[i] : Vec3{0, 0, 1};
        normalArray[i * 3] = n.x;
        normalArray[i * 3 + 1] = n.y;
        normalArray[i * 3 + 2] = n.z;
    }
    auto flatten = [vertexCount](const std::vector<Vec2>& set, std::vector<float>& out) {
        out.resize(vertexCount * 2);
        for (size_t i = 0; i < vertexCount; ++i) {
            out[i * 2] = set[i].x;
            out[i * 2 + 1] = set[i].y;
        }
    };
    if (!uvSet0.empty() && m && m->usesUv0) flatten(uvSet0, uv0Array);
    if (!uvSet1.empty() && m && m->usesUv1) flatten(uvSet1, uv1Array);
    if (m && m->usesGeneratedUv) generatedUvArray.assign(vertexCount * 2, 0.0f);
    // Only the bump model reads light vectors; another model with a bump texture (the
    // diffuse one ignores it) would get them in place of its own coordinates.
    if (m && m->bumpTexture && m->shadeModel == bumpShadeModel) {
        lightVectorArray.assign(vertexCount * 3, 0.0f);
        for (size_t i = 0; i < vertexCount; ++i) lightVectorArray[i * 3 + 2] = 1;
        buildTangents();
    }

    indexArray.resize(faces.size() * 3);
    for (size_t f = 0; f < faces.size(); ++f) {
        for (size_t corner = 0; corner < 3; ++corner) {
            const int32_t index = faces[f][corner];
            checkTrue(index < 65536, LUMORA_HERE);
            indexArray[f * 3 + corner] = uint16_t(index);
        }
    }
    geometryBuilt = true;
}

void MeshObject::buildTangents() {
    const size_t vertexCount = vertices.size();
    tangentArray.assign(vertexCount * 3, 0.0f);
    bitangentArray.assign(vertexCount * 3, 0.0f);
    std::vector<Vec3> tangents(vertexCount), bitangents(vertexCount);
    if (uvSet0.size() == vertexCount) {
        for (const auto& face : faces) {
            const Vec3 e1 = minus(vertices[size_t(face[1])], vertices[size_t(face[0])]);
            const Vec3 e2 = minus(vertices[size_t(face[2])], vertices[size_t(face[0])]);
            const Vec2 t0 = uvSet0[size_t(face[0])], t1 = uvSet0[size_t(face[1])], t2 = uvSet0[size_t(face[2])];
            const float du1 = t1.x - t0.x, dv1 = t1.y - t0.y, du2 = t2.x - t0.x, dv2 = t2.y - t0.y;
            const float area = du1 * dv2 - du2 * dv1;
            if (std::fabs(area) < 1e-12f) continue;
            const float r = 1.0f / area;
            // Along s, and against t: t runs down the picture, "up" in a normal map is -t.
            const Vec3 alongS = scaled(minus(scaled(e1, dv2), scaled(e2, dv1)), r);
            const Vec3 alongT = scaled(minus(scaled(e2, du1), scaled(e1, du2)), r);
            for (int32_t index : face) {
                Vec3& t = tangents[size_t(index)];
                Vec3& b = bitangents[size_t(index)];
                t = {t.x + alongS.x, t.y + alongS.y, t.z + alongS.z};
                b = {b.x - alongT.x, b.y - alongT.y, b.z - alongT.z};
            }
        }
    }
    for (size_t i = 0; i < vertexCount; ++i) {
        const Vec3 n = normalised(at(normalArray, i), {0, 0, 1});
        // A tangent at right angles to the normal; any one where the uvs give none.
        Vec3 t = minus(tangents[i], scaled(n, dot(n, tangents[i])));
        const Vec3 helper = std::fabs(n.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
        t = normalised(t, normalised(cross(helper, n), {1, 0, 0}));
        Vec3 b = cross(n, t);
        if (dot(b, bitangents[i]) < 0) b = scaled(b, -1);
        for (int c = 0; c < 3; ++c) {
            tangentArray[i * 3 + size_t(c)] = c == 0 ? t.x : c == 1 ? t.y : t.z;
            bitangentArray[i * 3 + size_t(c)] = c == 0 ? b.x : c == 1 ? b.y : b.z;
        }
    }
}

void MeshObject::computeLightVectors(const Vec3& lightInObject) {
    const size_t vertexCount = lightVectorArray.size() / 3;
    for (size_t i = 0; i < vertexCount && i * 3 < tangentArray.size(); ++i) {
        const Vec3 toLight = minus(lightInObject, at(positionArray, i));
        lightVectorArray[i * 3] = dot(toLight, at(tangentArray, i));
        lightVectorArray[i * 3 + 1] = dot(toLight, at(bitangentArray, i));
        lightVectorArray[i * 3 + 2] = dot(toLight, at(normalArray, i));
    }
}

void MeshObject::updateLightVectors() {
    if (lightVectorArray.empty() || !spot) return;
    const Vec3 lightWorld{spot->position.x + spot->offset.x, spot->position.y + spot->offset.y,
                          spot->position.z + spot->offset.z};
    computeLightVectors(transformed(inverse(world), lightWorld));
}

void MeshObject::environmentCoordinates(const Matrix4& m, const std::vector<float>& normals, std::vector<float>& out) {
    const size_t count = std::min(normals.size() / 3, out.size() / 2);
    for (size_t i = 0; i < count; ++i) {
        const Vec3 n = at(normals, i);
        out[i * 2] = (m[0] * n.x + m[4] * n.y + m[8] * n.z + 1) * 0.5f;
        out[i * 2 + 1] = (m[1] * n.x + m[5] * n.y + m[9] * n.z + 1) * 0.5f;
    }
}

void MeshObject::makeBuffers() {
    if (buffersMade) return;
    buffersMade = true;
    if (!epoxy_has_gl_extension("GL_ARB_vertex_buffer_object") && epoxy_gl_version() < 15) return;
    positionBuffer = uploaded(positionArray);
    normalBuffer = uploaded(normalArray);
    uv0Buffer = uploaded(uv0Array);
    uv1Buffer = uploaded(uv1Array);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void MeshObject::drawTriangles() const {
    // The indices are client memory, and so is any pointer set with buffer 0.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDrawElements(GL_TRIANGLES, GLsizei(indexArray.size()), GL_UNSIGNED_SHORT, indexArray.data());
}

void MeshObject::drawColour() {
    if (faces.empty()) return;
    if (!boundMaterial || !owningScene) {
        reportErrorText(LUMORA_HERE, "Mesh has no material", name().c_str(), true);
        return;
    }
    if (!geometryBuilt) return;
    makeBuffers();
    if (vertexProgramUsed) {
        drawWithVertexProgram();
        return;
    }
    Material& m = *boundMaterial;
    if (!generatedUvArray.empty()) {
        Matrix4 modelView;
        glGetFloatv(GL_MODELVIEW_MATRIX, modelView.m);
        environmentCoordinates(modelView, normalArray, generatedUvArray);
    }
    updateLightVectors();
    owningScene->useMaterial(m);
    if (fragmentProgramUsed) {
        fragmentProgramUsed->bind();
        fragmentProgramUsed->setDepthPlanes(owningScene->focalNear, owningScene->focalPoint, owningScene->focalFar,
                                            owningScene->focalClamp);
    }

    TextureUnits::Arrays arrays;
    arrays.positions(positionBuffer, positionArray.data());
    if (m.lighting() != Material::Lighting::Off) arrays.normals(normalBuffer, normalArray.data());
    // Without multiUnitCoordinates every set is read on unit 0.
    auto unit = [&m](int wanted) { return m.multiUnitCoordinates ? wanted : 0; };
    const bool hasUv0 = !uv0Array.empty();
    if (!lightVectorArray.empty()) {
        if (hasUv0) arrays.coordinates(unit(0), 2, uv0Buffer, uv0Array.data());
        arrays.coordinates(unit(1), 3, 0, lightVectorArray.data());
        if (!generatedUvArray.empty()) {
            arrays.coordinates(unit(2), 2, 0, generatedUvArray.data());
        } else if (hasUv0) {
            arrays.coordinates(unit(2), 2, uv0Buffer, uv0Array.data());
        }
    } else {
        if (hasUv0) arrays.coordinates(unit(0), 2, uv0Buffer, uv0Array.data());
        if (!uv1Array.empty()) arrays.coordinates(unit(1), 2, uv1Buffer, uv1Array.data());
        if (!generatedUvArray.empty()) arrays.coordinates(unit(1), 2, 0, generatedUvArray.data());
    }
    drawTriangles();
    arrays.end();
    if (fragmentProgramUsed) fragmentProgramUsed->unbind();
}

void MeshObject::drawWithVertexProgram() {
    Material& m = *boundMaterial;
    Scene& scene = *owningScene;
    VertexProgram& program = *vertexProgramUsed;
    program.bind();
    program.setModelViewProj();
    program.setModelViewIT();
    const int lightCount = int(std::min<size_t>(scene.lights().size(), VertexProgram::maxLights));
    program.setNumLights(float(lightCount));
    for (int i = 0; i < lightCount; ++i) {
        const Light& light = *scene.lights()[size_t(i)];
        Vec3 p{light.position.x + light.offset.x, light.position.y + light.offset.y, light.position.z + light.offset.z};
        const float length2 = dot(p, p);
        p = scaled(p, 1.0f / std::sqrt(length2 < 0.00001f ? 1.0f : length2));
        program.setLightVec(i, p.x, p.y, p.z);
    }
    if (!ambientLightLookedUp) {
        lightForAmbient = scene.findLight("Omni01");
        ambientLightLookedUp = true;
    }
    float ambient[4] = {m.ambient.r, m.ambient.g, m.ambient.b, m.ambient.a};
    if (lightForAmbient) {
        const Colour& a = lightForAmbient->ambient;
        ambient[0] *= a.r;
        ambient[1] *= a.g;
        ambient[2] *= a.b;
        ambient[3] *= a.a;
    }
    const float diffuse[4] = {m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a};
    const float specular[4] = {m.specular.r, m.specular.g, m.specular.b, m.specular.a};
    program.setAmbientMaterial(ambient);
    program.setDiffuseMaterial(diffuse);
    program.setSpecularMaterial(specular);
    if (fragmentProgramUsed) {
        fragmentProgramUsed->setDepthPlanes(scene.focalNear, scene.focalPoint, scene.focalFar, scene.focalClamp);
    }

    int nextUnit = 0;
    if (m.diffuseTexture) TextureUnits::enableTexture(nextUnit++, GL_TEXTURE_2D, m.diffuseTexture->name());
    if (m.reflectionTexture) TextureUnits::enableTexture(nextUnit, GL_TEXTURE_2D, m.reflectionTexture->name());
    // Bound after the textures are enabled: a fragment program reads at bind which
    // units fixed function would have textured.
    if (fragmentProgramUsed) fragmentProgramUsed->bind();
    glColor4f(1, 1, 1, 1);
    TextureUnits::Arrays arrays;
    arrays.positions(positionBuffer, positionArray.data());
    if (m.lighting() != Material::Lighting::Off) arrays.normals(normalBuffer, normalArray.data());
    if (!uv0Array.empty()) arrays.coordinates(0, 2, uv0Buffer, uv0Array.data());
    drawTriangles();
    checkGLError(LUMORA_HERE);
    program.unbind();
    if (fragmentProgramUsed) fragmentProgramUsed->unbind();
    TextureUnits::disableTexture(1, GL_TEXTURE_2D);
    TextureUnits::disableTexture(0, GL_TEXTURE_2D);
    arrays.end();
    // This path changed texture state outside the applied material's push: the next
    // mesh must apply its material again, even one of the same id.
    scene.releaseMaterial();
}

void MeshObject::drawPositionsOnly() {
    makeBuffers();
    TextureUnits::positionPointer(positionBuffer, positionArray.data());
    drawTriangles();
}

void MeshObject::drawDepth() {
    if (!geometryBuilt || faces.empty()) return;
    if (owningScene && owningScene->depthVertexProgram) owningScene->depthVertexProgram->setModelViewProj();
    drawPositionsOnly();
}

void MeshObject::drawShadow() {
    if (!geometryBuilt || faces.empty() || !castsShadow || shadowExcluded) return;
    drawPositionsOnly();
}

void MeshObject::useVertexProgram(const std::string& fileName) {
    vertexProgramUsed = &ShaderManager::instance().vertexProgram(fileName);
}

void MeshObject::useFragmentProgram(const std::string& fileName) {
    fragmentProgramUsed = &ShaderManager::instance().fragmentProgram(fileName);
}

std::unique_ptr<SceneObject> MeshObject::cloneSelf() const {
    auto copy = std::make_unique<MeshObject>(id(), name(), materialIdFromFile);
    copyInto(*copy);
    copy->vertices = vertices;
    copy->normals = normals;
    copy->faces = faces;
    copy->uvSet0 = uvSet0;
    copy->uvSet1 = uvSet1;
    copy->colours = colours;
    copy->positionArray = positionArray;
    copy->normalArray = normalArray;
    copy->indexArray = indexArray;
    copy->uv0Array = uv0Array;
    copy->uv1Array = uv1Array;
    copy->generatedUvArray = generatedUvArray;
    copy->lightVectorArray = lightVectorArray;
    copy->tangentArray = tangentArray;
    copy->bitangentArray = bitangentArray;
    copy->boundMaterial = boundMaterial;
    copy->owningScene = owningScene;
    copy->spot = spot;
    copy->geometryBuilt = geometryBuilt;
    // The buffers hold the same data and, like every GL object, live until the context
    // goes: the copy draws from them too.
    copy->positionBuffer = positionBuffer;
    copy->normalBuffer = normalBuffer;
    copy->uv0Buffer = uv0Buffer;
    copy->uv1Buffer = uv1Buffer;
    copy->buffersMade = buffersMade;
    copy->vertexProgramUsed = vertexProgramUsed;
    copy->fragmentProgramUsed = fragmentProgramUsed;
    copy->lightForAmbient = lightForAmbient;
    copy->ambientLightLookedUp = ambientLightLookedUp;
    return copy;
}
