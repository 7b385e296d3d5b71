// How the viewer holds a model up to its camera: the model's centre at the origin, turned about
// the screen's own axes, and the camera on the +z axis far enough away that the model's sphere
// fits the view, nearer or farther by the zoom.
//
// The radius is measured about the centre from the vertices. The file's own radius is measured
// about the model's origin, which need not be its middle, and the program trusts it without
// looking; a viewer has to show what is there.
#pragma once

#include "math/Transform.h"
#include "math/Vec3.h"

class Model;

class Turntable {
public:
    // The field of view the renderer keeps, in degrees, top to bottom.
    static constexpr double kFieldOfView = 90.0;

    // Finds model's centre (the middle of its vertices' bounding box) and its radius about it.
    // Vertices that are not finite numbers are left out; a model without any measures 1.
    // The turn and the zoom stay as they were.
    void Fit(const Model& model);
    // The view is as wide as the window is: a narrow window needs the camera farther away.
    void SetWindowSize(int width, int height);
    // Turns the model about the screen's vertical axis (positive: its front goes right) and
    // its horizontal axis (positive: its front goes down).
    void Turn(float rightDegrees, float downDegrees);
    // Multiplies the camera's distance by factor (below 1 comes closer), within limits that
    // keep the model in sight.
    void Zoom(float factor);

    // Where the model goes: turned, with its centre at the origin.
    Transform Placement() const;
    // The camera's distance from the origin.
    float Distance() const;
    // Clipping planes that hold the model's sphere and little else, so the depth buffer's
    // precision goes to the model whatever its size.
    float NearPlane() const;
    float FarPlane() const;

private:
    // Puts the axes back at right angles and unit length: a turn every frame adds up error.
    void Straighten();

    Vec3 xAxis{1.0f, 0.0f, 0.0f};
    Vec3 yAxis{0.0f, 1.0f, 0.0f};
    Vec3 zAxis{0.0f, 0.0f, 1.0f};
    Vec3 centre;
    float radius = 1.0f;
    float zoom = 1.0f;
    float aspect = 4.0f / 3.0f;  // window width over height
};
