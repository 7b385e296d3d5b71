// One turn of the window message loop, shared by the program and the model viewer: a loop
// that draws between messages takes them one at a time so that drawing is never starved.
#pragma once

#include "platform/Win32.h"

// Takes the next waiting message, if there is one, and hands it to its window's procedure;
// WM_QUIT sets quit instead. Answers whether a message was waiting.
inline bool PumpOneMessage(bool& quit) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
        quit = true;
    } else {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}
