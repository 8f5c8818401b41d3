// The scene's shadow and depth passes: the depth-information pass into "scenedepth", the
// shadow-map pass from the shadow light into "scene" and the blend pass that lays the map
// over the drawn scene. All three draw the geometry list with positions only.
//
// The shadow light is the first light flagged shadowLight that has a target: the map is
// drawn looking from the light at its target, so a light without one has no direction
// and casts nothing. Without a shadow light both shadow passes leave the picture alone.
#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "base/LumoraConfig.h"
#include "base/RenderTarget.h"
#include "engine/Scene.h"
#include "engine/SceneDepthTarget.h"
#include "engine/ShaderManager.h"
#include "engine/TextureUnits.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

namespace {

constexpr const char* depthVertexFile = "data/shaders/vertex_depth_info.glsl";
constexpr const char* depthFragmentFile = "data/shaders/fragment_depth_info.glsl";
constexpr const char* shadowFragmentFile = "data/shaders/fragment_shadowmap.glsl";
constexpr int shadowUnit = 0;

// The shadow map "scene": made the first time a scene switches shadows on, then shared.
RenderTarget& shadowMapTarget(int32_t side) {
    static RenderTarget target;
    if (!target.isInited()) {
        target.init("scene", side, side, RenderTarget::withDepth | RenderTarget::depthCompare);
    }
    return target;
}

Vec3 placed(const SceneObject& object) {
    return {object.position.x + object.offset.x, object.position.y + object.offset.y,
            object.position.z + object.offset.z};
}

// The view from the light toward its target. The up direction is (0, 1, 0) unless the
// light looks straight up or down, where that up lies along the view and gives no
// matrix: there (0, 0, -1) serves.
void lookFromLight(const Light& light) {
    const Vec3 eye = placed(light);
    const Vec3 centre = placed(*light.target);
    const float dx = centre.x - eye.x, dy = centre.y - eye.y, dz = centre.z - eye.z;
    const bool vertical = dx * dx + dz * dz <= 1e-6f * (dx * dx + dy * dy + dz * dz);
    gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0, vertical ? 0 : 1, vertical ? -1 : 0);
}

}  // namespace

Light* Scene::shadowCaster() const {
    for (Light* light : lightList) {
        if (!light->shadowLight || !light->target) continue;
        const Vec3 eye = placed(*light);
        const Vec3 centre = placed(*light->target);
        if (eye.x != centre.x || eye.y != centre.y || eye.z != centre.z) return light;
    }
    return nullptr;
}

void Scene::setShadows(bool on) {
    if (shadowsDisabled || maxTextureUnits < 3) return;
    shadowsOn = on;
    if (on) shadowMapTarget(depthTargetSize);
    if (roots) roots->setCastsShadow(on, true, true);
}

void Scene::depthPass() {
    checkNotNull(roots, LUMORA_HERE);
    Camera* camera = currentCameraObject();
    checkNotNull(camera, LUMORA_HERE);
    RenderTarget& target = sceneDepthTarget();
    target.bind();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glViewport(0, 0, target.width(), target.height());
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    ShaderManager& shaders = ShaderManager::instance();
    if (!depthFragmentProgram) depthFragmentProgram = &shaders.fragmentProgram(depthFragmentFile);
    if (!depthVertexProgram) depthVertexProgram = &shaders.vertexProgram(depthVertexFile);
    depthFragmentProgram->bind();
    depthFragmentProgram->setDepthPlanes(focalNear, focalPoint, focalFar, focalClamp);
    depthFragmentProgram->setPlaneDist(focalPoint - focalNear, focalFar - focalPoint, 0, 0);
    checkCgError(LUMORA_HERE);
    depthVertexProgram->bind();
    depthVertexProgram->setNearDivFar(camera->nearClip / camera->farClip);

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    applyCulling();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera->apply();

    glEnableClientState(GL_VERTEX_ARRAY);
    for (SceneObject* object : geometryList) object->drawDepthPass();
    glDisableClientState(GL_VERTEX_ARRAY);

    depthVertexProgram->unbind();
    depthFragmentProgram->unbind();
    checkGLError(LUMORA_HERE);
    target.unbind();
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void Scene::shadowMapPass() {
    const Light* light = shadowCaster();
    if (!light) return;
    const Camera* camera = currentCameraObject();
    checkNotNull(camera, LUMORA_HERE);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    RenderTarget& target = shadowMapTarget(depthTargetSize);
    target.bind();
    glColor4f(1, 1, 1, 1);
    const int32_t side = target.width();
    glViewport(0, 0, side, side);
    glScissor(0, 0, side, side);
    glEnable(GL_SCISSOR_TEST);

    // The light sees through the current camera's lens.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera->fov, camera->aspect, camera->nearClip, camera->farClip);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    lookFromLight(*light);

    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    // Back faces only, pushed away a little: lit surfaces do not shadow themselves.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_FRONT);
    glPolygonOffset(1.1f, 1.0f);
    glEnable(GL_POLYGON_OFFSET_FILL);

    glEnableClientState(GL_VERTEX_ARRAY);
    for (SceneObject* object : geometryList) object->drawDepthPass();
    glDisableClientState(GL_VERTEX_ARRAY);

    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glCullFace(GL_BACK);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glDisable(GL_SCISSOR_TEST);

    // From eye coordinates of the light's view to the map: bias x projection x view. Its
    // rows are the planes of the texture-coordinate generation.
    Matrix4 projection;
    glGetFloatv(GL_PROJECTION_MATRIX, projection.m);
    glLoadIdentity();
    lookFromLight(*light);
    Matrix4 view;
    glGetFloatv(GL_MODELVIEW_MATRIX, view.m);
    Matrix4 bias;
    bias[0] = bias[5] = bias[10] = 0.5f;
    bias[12] = bias[13] = bias[14] = 0.5f;
    const Matrix4 toMap = math3d::multiply(bias, math3d::multiply(projection, view));
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) shadowTexturePlanes[row][column] = toMap[column * 4 + row];
    }
    target.unbind();
    checkGLError(LUMORA_HERE);
}

void Scene::shadowBlendPass() {
    // Without a shadow light nothing is blended: the picture stays as the colour pass drew it.
    if (!shadowCaster()) return;
    RenderTarget& target = shadowMapTarget(depthTargetSize);
    const GLenum coordinates[4] = {GL_S, GL_T, GL_R, GL_Q};
    const GLenum generation[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
    // The planes go through the camera view now on the modelview stack, so the generated
    // coordinates are those of world positions.
    TextureUnits::select(shadowUnit);
    for (int i = 0; i < 4; ++i) {
        glTexGenfv(coordinates[i], GL_EYE_PLANE, shadowTexturePlanes[i]);
        glTexGeni(coordinates[i], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
        glEnable(generation[i]);
    }
    checkGLError(LUMORA_HERE);
    glBindTexture(GL_TEXTURE_2D, target.depthTextureName());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);

    FragmentProgram& program = ShaderManager::instance().fragmentProgram(shadowFragmentFile);
    program.bind();
    glEnable(GL_TEXTURE_2D);
    GLint depthFunction = GL_LEQUAL;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_EQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);

    glEnableClientState(GL_VERTEX_ARRAY);
    for (SceneObject* object : geometryList) object->drawShadowPass();
    glDisableClientState(GL_VERTEX_ARRAY);

    // What the colour pass drew with (GL_LEQUAL in the scene's own frames).
    glDepthFunc(GLenum(depthFunction));
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    program.unbind();
    for (GLenum each : generation) glDisable(each);
    TextureUnits::selectUnitZero();
}
