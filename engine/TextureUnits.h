#pragma once
// TextureUnits: the one door through which the 3D engine selects texture units and sets
// per-unit client arrays (texture coordinates), so that no draw leaves a unit selected or
// an array enabled for the next.
//
// Two rules of the compatibility profile shape it. glPopAttrib restores the active
// (server) texture unit but never the client active unit, so code that selects client
// units must put unit 0 back itself. And a client pointer set while a vertex buffer is
// bound is read as an offset into that buffer, so every client-memory pointer is set with
// buffer 0 bound.
//
// Use (one draw):
//   TextureUnits::Arrays arrays;
//   arrays.coordinates(0, 2, uvBuffer, nullptr);        // from a buffer object
//   arrays.coordinates(1, 3, 0, lightVectors.data());  // from client memory
//   ... draw ...
//   arrays.end();  // disables each array on its own unit; unit 0 active, client and server
// An Arrays that is not ended ends itself when it goes.
#include <cstdint>

namespace TextureUnits {

// Makes unit the active texture unit (texture enables, bindings and environments).
void select(int unit);
// Unit 0 active for both the server and the client side.
void selectUnitZero();
// Binds the texture on unit and enables its target there; leaves unit active.
void enableTexture(int unit, uint32_t target, uint32_t textureName);
void disableTexture(int unit, uint32_t target);
// Points the position array at buffer (or client memory with buffer 0) without enabling
// it: for passes whose caller enables the array around many draws.
void positionPointer(uint32_t buffer, const void* data);

class Arrays {
public:
    Arrays() = default;
    ~Arrays();
    Arrays(const Arrays&) = delete;
    Arrays& operator=(const Arrays&) = delete;

    // Texture coordinates of unit: components floats per vertex, from buffer (a vertex
    // buffer object, data then an offset) or, with buffer 0, from client memory at data.
    void coordinates(int unit, int components, uint32_t buffer, const void* data);
    // Positions and normals, the same way.
    void positions(uint32_t buffer, const void* data);
    void normals(uint32_t buffer, const void* data);
    // Disables every array enabled here, each on its own unit; array buffer 0; unit 0
    // active, client and server.
    void end();

private:
    uint32_t coordinateUnits = 0;  // bit n: unit n's coordinate array is enabled
    bool positionsOn = false;
    bool normalsOn = false;
    bool ended = false;
};

}  // namespace TextureUnits
