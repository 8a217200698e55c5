// The application: the command line, then the main window (or its console stand-in) until it
// closes.
#pragma once

#include "QuorvexOptions.h"

class CQuorvexApp {
public:
    // The program: returns its exit status (0; 1 when headless and the FSD server cannot listen;
    // 2 for a bad command line or no display).
    static int Main(int argc, char** argv);
};
