#include "engine/Light.h"

#include <utility>

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
