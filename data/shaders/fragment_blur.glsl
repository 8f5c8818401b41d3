#version 420 compatibility
// One blur step of the full-screen filters: eight taps of the image on unit 0, four
// diagonal ones at the near offset factors.xy and four at the far offset factors.zw
// (texture units of the source), averaged. Repeated passes with growing offsets give a
// wide, smooth blur at the cost of eight taps each.
layout(binding = 0) uniform sampler2D image;
uniform vec4 factors;

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec2 near = factors.xy;
    vec2 far = factors.zw;
    vec4 sum = texture(image, uv + vec2(near.x, near.y))
             + texture(image, uv + vec2(-near.x, near.y))
             + texture(image, uv + vec2(near.x, -near.y))
             + texture(image, uv + vec2(-near.x, -near.y))
             + texture(image, uv + vec2(far.x, far.y))
             + texture(image, uv + vec2(-far.x, far.y))
             + texture(image, uv + vec2(far.x, -far.y))
             + texture(image, uv + vec2(-far.x, -far.y));
    gl_FragColor = sum * 0.125;
}
