#version 420 compatibility
// The depth-information pass, fragment side: how blurred each pixel of the scene should
// be, from its distance (gl_TexCoord[0].x, a fraction of the far plane, written by
// vertex_depth_info) and the focal planes. depthPlanes = (near, point, far, clamp);
// planeDist = (point - near, far - point). In focus at the focal point, fully blurred at
// the near and far planes and beyond, never more than the clamp. Written to red, green
// and blue alike, alpha 1.
uniform vec4 depthPlanes;
uniform vec4 planeDist;

void main() {
    float distance = gl_TexCoord[0].x;
    float focalPoint = depthPlanes.y;
    float amount = distance < focalPoint
        ? (focalPoint - distance) / max(planeDist.x, 1e-5)
        : (distance - focalPoint) / max(planeDist.y, 1e-5);
    amount = clamp(amount, 0.0, clamp(depthPlanes.w, 0.0, 1.0));
    gl_FragColor = vec4(vec3(amount), 1.0);
}
