#version 420 compatibility
// Colour toning for the image effects that run a program over their picture
// (FramebufferScroll, LineDistortion): the picture on unit 0 times the vertex colour, its
// brightness painted in the colour factors.rgb and mixed in by factors.a. With the
// effect's Factor0..3 at their defaults (all 0) the picture is unchanged; (1, 0.5, 0, 1)
// turns it amber.
layout(binding = 0) uniform sampler2D image;
uniform vec4 factors;

void main() {
    vec4 texel = texture(image, gl_TexCoord[0].xy) * gl_Color;
    float brightness = dot(texel.rgb, vec3(0.299, 0.587, 0.114));
    vec3 toned = factors.rgb * brightness;
    gl_FragColor = vec4(mix(texel.rgb, toned, factors.a), texel.a);
}
