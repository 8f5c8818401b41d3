#version 420 compatibility
// One step of the depth-of-field blur: the image on unit 0 blurred by eight taps whose
// offsets (near factors.xy, far factors.zw) shrink to nothing where the scene is in
// focus. The blur amount comes from the depth-information picture on unit 1 (red: 0 in
// focus, 1 fully blurred), read at the same place, since both cover the whole screen.
layout(binding = 0) uniform sampler2D image;
layout(binding = 1) uniform sampler2D depthInfo;
uniform vec4 factors;

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    float amount = clamp(texture(depthInfo, uv).r, 0.0, 1.0);
    vec2 near = factors.xy * amount;
    vec2 far = factors.zw * amount;
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
