// The X server's keyboard focus, key map and pointer are shared by all its
// clients, and CTest runs test processes side by side on one server. A test
// that gives a window the focus, or presses keys and moves the pointer through
// XTest, first takes this lock; such tests then run one at a time while the
// others still run in parallel.
#pragma once

// Takes the lock for the display in $DISPLAY, waiting for another test
// process to finish with it. The lock is held until this process ends (each
// CTest test is a process of its own); later calls return at once.
void HoldXInputLock();
