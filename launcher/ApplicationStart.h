#pragma once
// The program's start without command-line settings: probe the driver's anti-aliasing
// modes, ask the settings dialog, then run the demo. Returns the process exit code.
int runApplication();
