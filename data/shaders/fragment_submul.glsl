#version 420 compatibility
// Contrast for glows: the image on unit 0 less factors.x, clamped at 0, times factors.y.
// Dark parts drop out and bright parts are boosted, so a blur of the result glows only
// around highlights. Alpha is kept.
layout(binding = 0) uniform sampler2D image;
uniform vec4 factors;

void main() {
    vec4 texel = texture(image, gl_TexCoord[0].xy);
    vec3 boosted = max(texel.rgb - vec3(factors.x), vec3(0.0)) * factors.y;
    gl_FragColor = vec4(boosted, texel.a);
}
