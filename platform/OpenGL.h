// OpenGL 1.1 and GLU as the program uses them, on every system.
//
// Windows needs <windows.h> ahead of its GL headers; elsewhere the real GL and
// GLU headers (Mesa on Linux) are used directly. The two light-model constants
// below arrived with OpenGL 1.2, which the Windows headers do not declare.
#pragma once

#include "platform/Win32.h"
// After the Windows declarations, which the GL headers of Windows need.
#include <GL/gl.h>
#include <GL/glu.h>

#ifndef GL_LIGHT_MODEL_COLOR_CONTROL
#define GL_LIGHT_MODEL_COLOR_CONTROL 0x81F8
#endif
#ifndef GL_SEPARATE_SPECULAR_COLOR
#define GL_SEPARATE_SPECULAR_COLOR 0x81FA
#endif
