#include <gtest/gtest.h>

#include "math/Mat4.h"

namespace {

TEST(Mat4Test, StartsZeroAndAddressesElementsColumnMajor) {
    Mat4 matrix;
    for (float value : matrix.m) {
        EXPECT_EQ(0.0f, value);
    }

    // OpenGL keeps a translation in column 3, at indices 12 to 14.
    matrix.At(0, 3) = 5.0f;
    matrix.At(2, 3) = 7.0f;
    matrix.At(3, 0) = 9.0f;
    EXPECT_EQ(5.0f, matrix.m[12]);
    EXPECT_EQ(7.0f, matrix.m[14]);
    EXPECT_EQ(9.0f, matrix.m[3]);
}

}  // namespace
