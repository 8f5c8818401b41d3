#version 420 compatibility
// A mesh's colour with a depth cue: the interpolated colour times the texture on unit 0
// (where texturing is on there), with parts away from the focal planes (depthPlanes =
// near, point, far, clamp, as fractions of the far plane) losing up to half their
// saturation, then the scene's fog, since a bound fragment program replaces
// fixed-function fog. fogMode and textureEnabled are set by the engine at every bind
// from the fixed-function state they replace.
layout(binding = 0) uniform sampler2D diffuseTexture;
uniform vec4 depthPlanes;
uniform float fogMode;          // 0 off, 1 linear, 2 exp, 3 exp2
uniform vec4 textureEnabled;    // 1 where 2-D texturing is on, units 0..3

// Distance from the eye as a fraction of the far plane, from the window depth and the
// projection: with P22 and P32 of a perspective matrix, d = (1 + P22) / (z + P22).
float distanceFraction() {
    float z = gl_FragCoord.z * 2.0 - 1.0;
    float p22 = gl_ProjectionMatrix[2][2];
    float denominator = z + p22;
    return abs(denominator) > 1e-6 ? clamp((1.0 + p22) / denominator, 0.0, 1.0) : 1.0;
}

vec3 applyFog(vec3 colour) {
    float c = gl_FogFragCoord;
    float f = 1.0;
    if (fogMode > 2.5) {
        float d = gl_Fog.density * c;
        f = exp(-d * d);
    } else if (fogMode > 1.5) {
        f = exp(-gl_Fog.density * c);
    } else if (fogMode > 0.5) {
        f = (gl_Fog.end - c) * gl_Fog.scale;
    }
    return mix(gl_Fog.color.rgb, colour, clamp(f, 0.0, 1.0));
}

void main() {
    vec4 colour = gl_Color;
    if (textureEnabled.x > 0.5) {
        colour *= texture(diffuseTexture, gl_TexCoord[0].xy);
    }
    float distance = distanceFraction();
    float point = depthPlanes.y;
    float span = distance < point ? point - depthPlanes.x : depthPlanes.z - point;
    float blur = clamp(abs(distance - point) / max(span, 1e-5), 0.0, clamp(depthPlanes.w, 0.0, 1.0));
    float grey = dot(colour.rgb, vec3(0.299, 0.587, 0.114));
    colour.rgb = mix(colour.rgb, vec3(grey), blur * 0.5);
    gl_FragColor = vec4(applyFog(colour.rgb), colour.a);
}
