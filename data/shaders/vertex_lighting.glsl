#version 420 compatibility
// Per-vertex lighting of a mesh from the scene's lights (up to four, numLights of them):
// an ambient term, a diffuse and a specular (Blinn) term per light. Lights are
// directions toward normalised world positions (LightVec0..3), compared with the
// object's own normal: exact for objects that are not rotated, and light that turns with
// an object otherwise. The eye, for the highlight, is found in object space from
// ModelViewIT (its last row is the eye position's column of the inverse modelview).
// Writes what the fixed-function fragment stage or a fragment program reads: colour,
// uv0 on gl_TexCoord[0], environment coordinates from the eye-space normal on
// gl_TexCoord[1], and the eye distance as fog coordinate.
uniform mat4 ModelViewProj;
uniform mat4 ModelViewIT;
uniform float numLights;
uniform vec4 LightVec0;
uniform vec4 LightVec1;
uniform vec4 LightVec2;
uniform vec4 LightVec3;
uniform vec4 AmbientMaterial;
uniform vec4 DiffuseMaterial;
uniform vec4 SpecularMaterial;

const float shininess = 24.0;

void main() {
    gl_Position = ModelViewProj * gl_Vertex;

    vec3 normal = normalize(gl_Normal);
    vec3 eye = vec3(ModelViewIT[0][3], ModelViewIT[1][3], ModelViewIT[2][3]);
    vec3 toEye = normalize(eye - gl_Vertex.xyz);
    vec4 lights[4] = vec4[4](LightVec0, LightVec1, LightVec2, LightVec3);

    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    for (int i = 0; i < 4; ++i) {
        if (float(i) >= numLights) {
            break;
        }
        vec3 toLight = lights[i].xyz;
        float length2 = dot(toLight, toLight);
        toLight = length2 > 1e-10 ? toLight * inversesqrt(length2) : vec3(0.0, 0.0, 1.0);
        float facing = max(dot(normal, toLight), 0.0);
        diffuse += DiffuseMaterial.rgb * facing;
        if (facing > 0.0) {
            vec3 halfway = normalize(toLight + toEye);
            specular += SpecularMaterial.rgb * pow(max(dot(normal, halfway), 0.0), shininess);
        }
    }
    gl_FrontColor = vec4(clamp(AmbientMaterial.rgb + diffuse + specular, 0.0, 1.0), DiffuseMaterial.a);
    gl_BackColor = gl_FrontColor;

    vec3 eyeNormal = normalize((ModelViewIT * vec4(normal, 0.0)).xyz);
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_TexCoord[1] = vec4(eyeNormal.xy * 0.5 + 0.5, 0.0, 1.0);
    gl_FogFragCoord = abs((gl_ModelViewMatrix * gl_Vertex).z);
}
