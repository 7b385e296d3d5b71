// The program's entry point: one App, initialised, run and destroyed.
#include "app/App.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    theApp = new App();
    if (!theApp->Init("Velmora", 640, 480, 32)) {
        // A failed start-up ends the process here; what was created goes with it.
        return 0;
    }
    theApp->Run();
    delete theApp;
    theApp = nullptr;
    return 1;
}
