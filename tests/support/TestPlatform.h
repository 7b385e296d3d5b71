// What tests that run on Linux and on Windows alike need of the platform
// beyond the program's own calls. On Linux that is the layer's test controls;
// Windows, the real system, keeps no scripted state between tests.
#pragma once

// Puts the platform back to its fresh state before and after a test: no
// scripted failures or answers, the real clock, no test windows left over.
void ResetPlatformForTest();
