// The process entry on Linux: what Windows does for a GUI program before and
// after its WinMain.
#include "platform/x11/X11Platform.h"

int main(int /*argc*/, char** /*argv*/) {
    x11::InstallTerminationSignalHandlers();
    char commandLine[] = "";
    int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
    x11::ReleaseAtExit();
    return exitCode;
}
