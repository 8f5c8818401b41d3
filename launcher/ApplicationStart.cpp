// Placeholder until the settings dialog lands: the demo starts with its defaults.
#include "launcher/ApplicationStart.h"

#include "launcher/LumoraLauncher.h"

int runApplication() {
    runDemo(1024, 768, true, false, 0);
    return 0;
}
