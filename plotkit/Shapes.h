// What the shape objects share with the other modules (not exported).
#pragma once

#include "PictureFiles.h"
#include "PlotkitInternal.h"

#include <vector>

namespace plotkit
{

// Stores an object's world corners and axes and converts them to its logical rectangle; false
// (after message 54 "Axes not defined") for an axis number beyond the object table.
bool SetObjCoords(GrDesc* graph, ObjDesc* object, int xAxis, int yAxis, float x1, float y1, float x2,
                  float y2);

// Reads a whole picture file; false with `error` 7 (cannot open), 23 (short read) or 26 (too big,
// no memory). Reports nothing.
bool ReadPictureFile(const char* path, std::vector<uint8_t>& bytes, int& error);

// Reads a bitmap file for drawing; false after the message (16, 23, 26) or for a file in the old
// core format (no message).
bool ReadBitmapFile(const char* path, BitmapImage& image);

} // namespace plotkit
