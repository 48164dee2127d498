#pragma once

namespace tessaly::app {

// Starts Tessaly: one copy only, settings, a chart, the main window, the
// chart named on the command line or the last one; runs until the window
// closes and returns the exit status.
int run_application(int argc, char** argv);

}  // namespace tessaly::app
