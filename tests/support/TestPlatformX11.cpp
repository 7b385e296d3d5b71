#include "platform/Testing.h"
#include "tests/support/TestPlatform.h"

void ResetPlatformForTest() {
    platformtest::Reset();
}
