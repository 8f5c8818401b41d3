#version 420 compatibility
// The depth-information pass, vertex side: the position through ModelViewProj, and the
// distance from the eye as a fraction of the far plane (0 at the eye, 1 at the far
// plane) in gl_TexCoord[0].x. That fraction is linear in eye space, so it interpolates
// correctly across a triangle. It is found from the projected depth and NearDivFar
// (near / far) alone: d = 2r / (1 + r - z(1 - r)) with z the normalised device depth.
uniform mat4 ModelViewProj;
uniform float NearDivFar;

void main() {
    vec4 position = ModelViewProj * gl_Vertex;
    gl_Position = position;
    float r = NearDivFar;
    float z = position.z / max(position.w, 1e-6);
    float distance = 2.0 * r / max(1.0 + r - z * (1.0 - r), 1e-6);
    gl_TexCoord[0] = vec4(distance, 0.0, 0.0, 1.0);
    gl_TexCoord[1] = vec4(0.0, 0.0, 0.0, 1.0);
    gl_FrontColor = vec4(1.0);
    gl_FogFragCoord = position.w;
}
