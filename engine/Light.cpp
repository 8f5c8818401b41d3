#include "engine/Light.h"

#include "effects/ShortRandom.h"

#include <epoxy/gl.h>

#include <utility>

namespace {

GLenum glLight(int32_t index) {
    return GLenum(GL_LIGHT0 + index);
}

void sendColour(GLenum light, GLenum which, const Colour& c) {
    const float value[4] = {c.r, c.g, c.b, c.a};
    glLightfv(light, which, value);
}

}  // namespace

Light::Light(int32_t id, std::string name) : SceneObject(id, std::move(name)) {}

void Light::setColour(const Colour& colour) {
    diffuse = colour;
    specular = colour;
    ambient = {colour.r * 0.3f, colour.g * 0.3f, colour.b * 0.3f, colour.a};
}

float Light::limitCutoff(float cutoff) {
    // GL refuses a NaN cone with an error, which would end the program when drawn.
    if (cutoff != cutoff) return 180;
    if (cutoff > 90 && cutoff != 180) return 90;
    if (cutoff < 0) return 0;
    return cutoff;
}

float Light::limitExponent(float exponent) {
    if (!(exponent >= 0)) return 0;
    if (exponent > 128) return 128;
    return exponent;
}

int32_t Light::glLightCount() {
    static int32_t count = -1;
    if (count < 0) {
        GLint value = 0;
        glGetIntegerv(GL_MAX_LIGHTS, &value);
        count = value;
    }
    return count;
}

bool Light::hasGLLight() const {
    return glIndex >= 0 && glIndex < glLightCount();
}

void Light::apply() {
    if (!hasGLLight()) return;
    const GLenum light = glLight(glIndex);
    if (!enabled) {
        glDisable(light);
        return;
    }
    if (flicker) {
        // A 15-bit random value, as the factor was tuned on: the C library's rand() may
        // reach 2^31 - 1, which would saturate the light to white.
        const float x = flickerFactor(shortRandom());
        diffuse = {baseColour.r * x, baseColour.g * x, baseColour.b * x, 1};
        sendColour(light, GL_DIFFUSE, diffuse);
    }
    glEnable(light);
    const float at[4] = {position.x, position.y, position.z, 1};
    glLightfv(light, GL_POSITION, at);
    glLightf(light, GL_CONSTANT_ATTENUATION, constantAttenuation);
    glLightf(light, GL_LINEAR_ATTENUATION, linearAttenuation);
    glLightf(light, GL_QUADRATIC_ATTENUATION, quadraticAttenuation);
    if (target) {
        glDisable(light);
    } else {
        const float direction[3] = {0, 0, -1};
        glLightfv(light, GL_SPOT_DIRECTION, direction);
    }
    glLightf(light, GL_SPOT_CUTOFF, spotCutoff);
    glLightf(light, GL_SPOT_EXPONENT, spotExponent);
}

void Light::sendColours() const {
    if (!enabled || !hasGLLight()) return;
    const GLenum light = glLight(glIndex);
    sendColour(light, GL_AMBIENT, ambient);
    sendColour(light, GL_DIFFUSE, diffuse);
    sendColour(light, GL_SPECULAR, specular);
    glEnable(light);
}

void Light::switchGL(bool on) const {
    if (!hasGLLight()) return;
    if (on) {
        glEnable(glLight(glIndex));
    } else {
        glDisable(glLight(glIndex));
    }
}

void Light::setFlicker(bool on) {
    flicker = on;
    if (on) return;
    diffuse = baseColour;
    if (hasGLLight()) sendColour(glLight(glIndex), GL_DIFFUSE, diffuse);
}

std::unique_ptr<SceneObject> Light::cloneSelf() const {
    auto copy = std::make_unique<Light>(id(), name());
    copyInto(*copy);
    copy->baseColour = baseColour;
    copy->ambient = ambient;
    copy->diffuse = diffuse;
    copy->specular = specular;
    copy->constantAttenuation = constantAttenuation;
    copy->linearAttenuation = linearAttenuation;
    copy->quadraticAttenuation = quadraticAttenuation;
    copy->spotCutoff = spotCutoff;
    copy->spotExponent = spotExponent;
    copy->glIndex = glIndex;
    copy->targetId = targetId;
    copy->target = target;
    copy->enabled = enabled;
    copy->shadowLight = shadowLight;
    copy->flicker = flicker;
    copy->projectorTexture = projectorTexture;
    return copy;
}
