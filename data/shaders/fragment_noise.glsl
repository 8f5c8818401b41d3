#version 420 compatibility
// Softer static for the Noise effect: the two grey layers on units 0 and 1 averaged
// instead of multiplied, so the static is brighter and less sparse than the modulated
// fixed-function layers. The grey scales the vertex colour and its alpha, which the
// effect blends with (source alpha, one minus source alpha). No parameter.
layout(binding = 0) uniform sampler2D layer0;
layout(binding = 1) uniform sampler2D layer1;

void main() {
    float grey = (texture(layer0, gl_TexCoord[0].xy).r + texture(layer1, gl_TexCoord[1].xy).r) * 0.5;
    gl_FragColor = vec4(gl_Color.rgb * grey, gl_Color.a * grey);
}
