#version 420 compatibility
// The shadow blend pass: compares each pixel's position in the light's view (texture
// coordinates generated on unit 0 from the shadow planes) with the shadow map bound on
// unit 0 in compare mode. Colour 0 and the shadow term in alpha, for the blend
// (GL_ONE, GL_SRC_ALPHA): lit pixels keep their colour (alpha 1), shadowed ones keep half
// of it (alpha 0.5). Pixels outside the light's view or behind it count as lit.
layout(binding = 0) uniform sampler2DShadow shadowMap;

const float shadowBrightness = 0.5;

void main() {
    vec4 coordinate = gl_TexCoord[0];
    float lit = 1.0;
    if (coordinate.q > 0.0) {
        vec3 projected = coordinate.stp / coordinate.q;
        if (all(greaterThanEqual(projected.xy, vec2(0.0))) && all(lessThanEqual(projected.xy, vec2(1.0)))) {
            lit = textureProj(shadowMap, coordinate);
        }
    }
    gl_FragColor = vec4(0.0, 0.0, 0.0, mix(shadowBrightness, 1.0, lit));
}
