#pragma once
// Every event id of the demo's timeline, in one table: the ids the effect base answers,
// then, per effect type, the ids that type adds, each with its meaning. A script names
// them through its defines; the loader queues them; Effect::handleEvent and the derived
// handlers answer them. One id may mean different things to different types: an event
// only ever reaches the effect it names.
//
// Adding an effect with events of its own: a section below, in registry order, with one
// line per id.
#include <cstdint>

// --- the effect base (every type) ---
constexpr int32_t eventStart = 0;          // restart the effect's clock at the event time
constexpr int32_t eventSetSource = 2;      // text names the source effect
constexpr int32_t eventSpectrum = 5;       // value is a music level, scaled by "SpectrumStr"
constexpr int32_t eventTimeShift = 19;     // value is ms subtracted from the elapsed time
constexpr int32_t eventSetProgram = 36;    // text names a fragment program
constexpr int32_t eventSpeedLinear = 40;   // "Speed" interpolates linearly
constexpr int32_t eventSpeedEaseIn = 41;   // "Speed" eases in

// --- Fade ---
constexpr int32_t eventFadeDuration = 22;   // Speed := 1 / value: the fade lasts value units
constexpr int32_t eventFadeReverse = 27;    // reverse := value > 0 (veil 1 - T)
constexpr int32_t eventFadeBlendOver = 31;  // blendOver := value > 0 (alpha-blend, not add)

// --- Image ---
constexpr int32_t eventImagePosition = 7;     // position := the three values
constexpr int32_t eventImageRotation = 8;     // rotation in degrees := the three values
constexpr int32_t eventImageScale = 9;        // scale := the three values
constexpr int32_t eventImageScroll = 10;      // texture scroll per unit of T := the three values
constexpr int32_t eventImageSpin = 11;        // degrees per unit of T := the three values
constexpr int32_t eventImageGrowth = 12;      // scale per unit of T := the three values
constexpr int32_t eventImageGrow = 23;        // growth adds to the scale
constexpr int32_t eventImageShrink = 24;      // growth subtracts from the scale
constexpr int32_t eventImageFile = 26;        // picture := the file the text names
constexpr int32_t eventImageAlphaFactor = 28; // alphaFactor := value (event 5 then offsets alpha)
constexpr int32_t eventImageAlpha = 29;       // "Alpha"'s constant := value

// --- FramebufferScroll ---
constexpr int32_t eventScrollOverlay = 26;    // overlay := the texture the text names (unit 1)

// --- LineDistortion, Mosaic, RotoZoom, Noise, TechnoNoise: the base ids only ---

// --- TypeWriter (also answers Image's 7-12, 23, 24, 26, 28 and 29) ---
constexpr int32_t eventTypeWriterCursorTop = 44;     // cursorY0 := value (y of the cursor's top)
constexpr int32_t eventTypeWriterCursorBottom = 45;  // cursorY1 := value (y of its bottom)
constexpr int32_t eventTypeWriterStep = 46;          // step := value (width gained per step)

// --- GridExp ---
constexpr int32_t eventGridExpTexture = 4;  // texture := the file the text names (when no source)

// --- Spectrum ---
constexpr int32_t eventSpectrumTarget = 2;     // (besides the source) the named effect is the only target
constexpr int32_t eventSpectrumAddTarget = 3;  // the named effect joins the targets

// --- ShaderRTT ---
constexpr int32_t eventShaderRTTResolution = 39;  // value < 512: 128 x 128 working pair, else 512 x 512 (every instance)

// --- Scene (names are looked up in the effect's scene; an unknown one selects nothing) ---
constexpr int32_t eventSceneFlicker = 1;              // the first light flickers while value > 0
constexpr int32_t eventSceneSelectObject = 6;         // selected object := the one the text names
constexpr int32_t eventSceneSpin = 11;                // spin of the selection, degrees per unit of T := the three values
constexpr int32_t eventSceneInheritTransform = 16;    // inheritTransform of the selection, descendants, later siblings := value > 0
constexpr int32_t eventSceneLockCamera = 18;          // camera := the one the text names; "Camera" and "FOV" stop driving it
constexpr int32_t eventSceneVisible = 20;             // visibility of the selection and its descendants := value > 0
constexpr int32_t eventSceneShadows = 21;             // the scene's shadows := value > 0
constexpr int32_t eventSceneCameraFov = 25;           // the current camera's fov := value degrees
constexpr int32_t eventSceneSelectLight = 33;         // selected light := the one the text names
constexpr int32_t eventSceneLightEnabled = 34;        // the selected light is on while value > 0
constexpr int32_t eventSceneVertexProgram = 35;       // vertex program of every root and its first children := text
constexpr int32_t eventSceneFragmentProgram = 36;     // (besides the base's) fragment program, with the reach of 35
constexpr int32_t eventSceneObjectVertexProgram = 37;    // vertex program of the selection and its first children := text
constexpr int32_t eventSceneObjectFragmentProgram = 38;  // fragment program, with the reach of 37
constexpr int32_t eventSceneCastsShadow = 43;         // castsShadow of the selection and its first children := value > 0;
                                                      // the selection's shadowExcluded := value <= 0
