#include "effects/Noise.h"

#include "effects/EffectProgramScope.h"
#include "effects/ShortRandom.h"
#include "resources/TextureCache.h"
#include "resources/TextureTools.h"

#include <epoxy/gl.h>


namespace {

Texture* makeStatic(const char* name, int32_t side) {
    Texture* texture = TextureCache::instance().getBlank(name, side, side, GL_TEXTURE_2D, GL_RGBA);
    if (texture) texture->setFilter(GL_NEAREST, GL_NEAREST);
    TextureTools::clear(texture);
    TextureTools::noise(texture);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

}  // namespace

QuadRect& Noise::noiseOffset() {
    static QuadRect shared{0, 0, 1, 1};
    return shared;
}

Noise::Noise(const std::string& instanceName) : Effect(instanceName) {
    tint.registerWith(*this);
    registerVariable(animate, "Animate", listKindPlain, typeKindBool);
    noise1 = makeStatic("noisetexture", 1024);
    noise2 = makeStatic("noisetexture2", 512);
}

void Noise::render(uint32_t t) {
    beginOverlay();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(tint.red.valueAt(t), tint.green.valueAt(t), tint.blue.valueAt(t),
              tint.alpha.valueAt(t) + spectrumLevel());
    QuadRect& offset = noiseOffset();
    if (animate.isOn(t)) {
        offset.x = float(shortRandom() * 3.0518509e-05);
        offset.y = float(shortRandom() * 3.0518509e-05);
    }
    {
        EffectProgramScope shading(*this, t, EffectProgramScope::withoutFactors);
        glActiveTexture(GL_TEXTURE0);
        glEnable(GL_TEXTURE_2D);
        noise1->bind();
        glActiveTexture(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        noise2->bind();
        setOrthoUnit();
        drawQuadMultiTex(QuadRect{0, 0, 1, 1}, offset);
        glDisable(GL_TEXTURE_2D);
        glActiveTexture(GL_TEXTURE0);
        glDisable(GL_TEXTURE_2D);
    }
    glBlendFunc(GL_ONE, GL_ZERO);
    endOverlay();
}
