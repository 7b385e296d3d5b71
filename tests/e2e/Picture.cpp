#include "e2e/Picture.h"

#include <algorithm>

#include <X11/Xutil.h>

Picture TakePicture(Display* display, Window window) {
    Picture picture;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
        return picture;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return picture;
    picture.width = attributes.width;
    picture.height = attributes.height;
    picture.left = picture.width;
    picture.top = picture.height;
    double sumX = 0.0, sumY = 0.0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            unsigned long pixel = XGetPixel(image, x, y);
            int red = static_cast<int>((pixel >> 16) & 0xFF);
            int green = static_cast<int>((pixel >> 8) & 0xFF);
            int blue = static_cast<int>(pixel & 0xFF);
            if (red + green + blue < 24) continue;
            ++picture.lit;
            if (red > 150 && green > 150 && blue > 150) ++picture.pale;
            if (red > 180 && green > 90 && green < 200 && blue < 100) ++picture.warm;
            picture.left = std::min(picture.left, x);
            picture.right = std::max(picture.right, x);
            picture.top = std::min(picture.top, y);
            picture.bottom = std::max(picture.bottom, y);
            sumX += x;
            sumY += y;
        }
    }
    XDestroyImage(image);
    if (picture.lit > 0) {
        picture.centreX = sumX / picture.lit;
        picture.centreY = sumY / picture.lit;
    }
    return picture;
}

Placement PlacementOf(Display* display, Window window) {
    Placement placement;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return placement;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &placement.x,
                          &placement.y, &child);
    placement.width = attributes.width;
    placement.height = attributes.height;
    return placement;
}

void ExpectTheRobotAsFirstShown(const Picture& picture) {
    ASSERT_GT(picture.lit, 2000) << "the robot covers a few thousand pixels";
    EXPECT_NEAR(picture.centreX, picture.width / 2.0, 20.0);
    EXPECT_NEAR(picture.centreY, picture.height / 2.0, 40.0);
    EXPECT_NEAR(picture.bottom - picture.top, 150.0 * picture.height / 480, 30)
        << "about 600 units tall seen from 1000 away, with a field of view of 90 degrees";
    EXPECT_LT(picture.right - picture.left, picture.bottom - picture.top) << "taller than wide";
    EXPECT_GT(picture.pale, picture.lit / 3) << "mostly its pale metal";
    EXPECT_GT(picture.warm, 20) << "with its orange joints and feet";
}
