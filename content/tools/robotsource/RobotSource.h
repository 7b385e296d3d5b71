// Brakmoor, the robot of the first level, as a Wavefront OBJ model with its
// MTL material library: the source from which modelconvert makes
// data/Entities/brakmoor/brakmoor.mdl. The robot is built of bevelled boxes
// (head, visor and eyes, torso with a chest panel, arms, legs), about 600
// units tall, standing centred on the origin and facing +z.
#pragma once

#include <string>

struct RobotSource {
    std::string obj;  // brakmoor.obj, which names brakmoor.mtl
    std::string mtl;  // brakmoor.mtl
};

RobotSource MakeRobotSource();
