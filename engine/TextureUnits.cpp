#include "engine/TextureUnits.h"

#include <epoxy/gl.h>

namespace TextureUnits {

void select(int unit) {
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
}

void selectUnitZero() {
    glActiveTexture(GL_TEXTURE0);
    glClientActiveTexture(GL_TEXTURE0);
}

void enableTexture(int unit, uint32_t target, uint32_t textureName) {
    select(unit);
    glBindTexture(target, textureName);
    glEnable(target);
}

void disableTexture(int unit, uint32_t target) {
    select(unit);
    glDisable(target);
}

namespace {

// Binds the source of the next pointer: the buffer, or 0 so that data is an address.
void bindSource(uint32_t buffer) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

}  // namespace

void positionPointer(uint32_t buffer, const void* data) {
    bindSource(buffer);
    glVertexPointer(3, GL_FLOAT, 0, buffer ? nullptr : data);
}

Arrays::~Arrays() {
    end();
}

void Arrays::coordinates(int unit, int components, uint32_t buffer, const void* data) {
    ended = false;
    glClientActiveTexture(GLenum(GL_TEXTURE0 + unit));
    bindSource(buffer);
    glTexCoordPointer(components, GL_FLOAT, 0, buffer ? nullptr : data);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    coordinateUnits |= 1u << unit;
}

void Arrays::positions(uint32_t buffer, const void* data) {
    ended = false;
    positionPointer(buffer, data);
    glEnableClientState(GL_VERTEX_ARRAY);
    positionsOn = true;
}

void Arrays::normals(uint32_t buffer, const void* data) {
    ended = false;
    bindSource(buffer);
    glNormalPointer(GL_FLOAT, 0, buffer ? nullptr : data);
    glEnableClientState(GL_NORMAL_ARRAY);
    normalsOn = true;
}

void Arrays::end() {
    if (ended) return;
    for (int unit = 0; coordinateUnits; ++unit) {
        if (coordinateUnits & (1u << unit)) {
            glClientActiveTexture(GLenum(GL_TEXTURE0 + unit));
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            coordinateUnits &= ~(1u << unit);
        }
    }
    if (positionsOn) glDisableClientState(GL_VERTEX_ARRAY);
    if (normalsOn) glDisableClientState(GL_NORMAL_ARRAY);
    positionsOn = normalsOn = false;
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    selectUnitZero();
    ended = true;
}

}  // namespace TextureUnits
