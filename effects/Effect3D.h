#pragma once
// "Scene": a 3D scene on the timeline. The effect loads the scene file named in its name
// list 0 (the script's "Datafile" names, in the set-up section), drives the scene's
// camera, fog, depth-of-field planes, shadows and lighting switches from its variables
// every frame, answers events that address single objects, lights and cameras by name,
// and draws the scene with its depth and shadow passes straight into the current frame
// buffer (depth tested; clearing the depth buffer is the business of other effects).
//
// Scenes live in the scene registry: every Scene effect naming one file shows the same
// Scene, with one current camera and one set of switches. Each successful load replaces
// the effect's scene, so the last name that loads is the one it shows; a file that does
// not load is "could not load scene" (non-fatal, the effect is then without a scene and
// draws nothing), a scene without cameras "no camera in scene" (fatal).
//
// Variables, in this order: "Loop", "Shadows", "Camera" (names in list 1000, the scene's
// cameras), "FOV" (vertical degrees / 180), "FocalPoint", "FocalNear", "FocalFar",
// "FocalClamp", "Fog", "FogMode" (0 exp, 1 exp2, 2 linear, read as stored: a script
// writes 0, 0.5 and 1), "FogR", "FogG", "FogB", "FogDensity" (/ 0.01), "FogScale" (linear
// fog's unit, x 30000), "FogStart", "FogEnd" (in that unit), "Datafile" (names in list 0),
// "LightingOn", "LightingOff", "MoreLight". "Camera" is read as a plain index: a name from
// the script arrives as its index, a number as the script's number x (cameras - 1).
// "Shadows" and the three lighting switches act when their value changes.
//
// Events (after the base ones): 1 first light flickers (value > 0); 6 select the object
// the text names; 11 spin := the three values (degrees per unit of animated time); 16
// inheritTransform of the selection, its descendants and its following siblings; 18
// camera := the one the text names, and the camera is locked against "Camera" and "FOV"
// for good; 20 visibility of the selection and its descendants; 21 shadows on / off; 25
// camera fov := value degrees (overwritten by "FOV" next frame unless locked); 33 select
// the light the text names; 34 switch the selected light; 35 / 36 vertex / fragment
// program of every root and its chain of first children; 37 / 38 the same for the
// selection and its chain of first children; 43 castsShadow of the selection and its
// chain of first children := value > 0, the selection's shadowExcluded := value <= 0
// (together they decide which objects the shadow blend darkens). Without a scene only
// the base events act; events whose light or selection is missing do nothing.
#include "demoSystem/Effect.h"

class Light;
class Scene;
class SceneObject;

// The animation clock of every Scene effect, in ms of Speed-scaled time: each Scene
// effect's update advances it and each one's start sets it back to 0. Program-wide on
// purpose: scenes shown one after another by several effects keep one clock.
extern float sceneClock;

class Effect3D : public Effect {
public:
    explicit Effect3D(const std::string& instanceName);

    void start(uint32_t t) override;
    void update(uint32_t t) override;
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;
    void onListEntryAdded(int32_t listKind, const std::string& text, uint32_t newCount) override;

    Scene* scene() const { return shownScene; }
    const std::string& sceneFileName() const { return sceneFile; }
    SceneObject* selectedObject() const { return selection; }
    Light* selectedLight() const { return lightSelection; }
    Light* shadowLight() const { return spot; }
    bool cameraLocked() const { return cameraIsLocked; }

    BoolVariable loop{false};                  // "Loop"
    BoolVariable shadows{false};               // "Shadows"
    ChoiceVariable camera{0, 0};               // "Camera": count = the scene's cameras
    FloatVariable fov{0.25f};                  // "FOV"
    FloatVariable focalPoint{0.5f};            // "FocalPoint"
    FloatVariable focalNear{0.1f};             // "FocalNear"
    FloatVariable focalFar{0.8f};              // "FocalFar"
    FloatVariable focalClamp{1.0f};            // "FocalClamp"
    BoolVariable fog{false};                   // "Fog"
    ChoiceVariable fogMode{0, 3};              // "FogMode"
    FloatVariable fogRed{0.0f};                // "FogR"
    FloatVariable fogGreen{0.0f};              // "FogG"
    FloatVariable fogBlue{0.0f};               // "FogB"
    FloatVariable fogDensity{0.5f};            // "FogDensity"
    FloatVariable fogScale{0.016666668f};      // "FogScale"
    FloatVariable fogStart{0.2f};              // "FogStart"
    FloatVariable fogEnd{2.0f};                // "FogEnd"
    ChoiceVariable datafile{0, 1};             // "Datafile": count = the names given
    BoolVariable lightingOn{false};            // "LightingOn"
    BoolVariable lightingOff{false};           // "LightingOff"
    BoolVariable moreLight{false};             // "MoreLight"

private:
    void loadScene(const std::string& fileName);
    void applyFog(uint32_t t);
    void applyLightingSwitches(uint32_t t);
    void placeSelection();

    Scene* shownScene = nullptr;  // the scene registry owns it
    std::string sceneFile;
    SceneObject* selection = nullptr;
    Light* lightSelection = nullptr;
    Light* spot = nullptr;        // the light "Spot01", lit up as the shadow light
    bool cameraIsLocked = false;
    float spin[3] = {0, 0, 0};
};
