#pragma once
// The timeline's effects, in the order the script inserted them: that order is the only
// layering (later effects draw over earlier ones). The list owns its effects.
//
// A demo supplies createEffect in its registry (demos/EffectList_Test), the one place
// that turns a type name into an effect class. The script loader fills the list; the
// frame loop walks a snapshot of it every frame; effects find their sources in it.
#include "demoSystem/Effect.h"
#include "demoSystem/EffectLookup.h"

#include <memory>
#include <string>
#include <vector>

class EffectList : public EffectLookup {
public:
    EffectList() = default;
    EffectList(const EffectList&) = delete;
    EffectList& operator=(const EffectList&) = delete;
    virtual ~EffectList();

    // Makes an effect of the named type and appends it (its activity off at every time).
    virtual bool createEffect(const std::string& instanceName, const std::string& typeName) = 0;

    // The first effect of exactly that instance name, or null.
    Effect* findEffect(const std::string& instanceName) const override;
    // Destroys every effect, in list order, and empties the list.
    void clearEffects();

    size_t size() const { return effectSequence.size(); }
    Effect* at(size_t index) const { return effectSequence[index].get(); }
    // Copies the effect pointers in list order into out (reusing its storage).
    void snapshot(std::vector<Effect*>& out) const;

protected:
    // Takes ownership: records the type name, makes this list the effect's lookup, puts
    // the closing activity key (off from 0 to the key end time) and appends the effect.
    void appendEffect(Effect* effect, const std::string& typeName);

private:
    std::vector<std::unique_ptr<Effect>> effectSequence;
};
