// The test support on Windows; TestPlatformX11.cpp is its Linux side.
#include "tests/support/TestPlatform.h"
#include "tests/support/XInputLock.h"

// Nothing is scripted on the real system, so there is nothing to put back.
void ResetPlatformForTest() {}

// One test process at a time runs under Wine (or on a Windows desktop), so
// none competes for the keyboard focus.
void HoldXInputLock() {}
