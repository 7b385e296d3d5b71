#include "tests/support/TestPlatform.h"

#include "platform/Testing.h"

void ResetPlatformForTest() {
    platformtest::Reset();
}
