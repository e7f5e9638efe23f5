// The transforms that take map coordinates to the view, as pure math: the drawing
// hands the same steps to OpenGL, and picking builds the same matrices without a
// window.
//
// Matrices are 4 x 4 in OpenGL's column-major order: element (row r, column c) is
// m[c*4 + r]. A transform is a short list of steps, each multiplying the current
// matrix on the right as glTranslatef and glScalef do, with the same float values.
//
// The map normalisation moves the box centre c to the origin and then scales x and
// y by 2/D (D the box's 3D diagonal, heights unscaled), so the diagonal spans the
// view's height. A box without extent, or one too large or small for a finite
// scale, gets D = 2: a unit scale.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>

#include "terrain/terrain.h"

struct Mat4 {
    double m[16];
};

Mat4 identityMatrix();
Mat4 multiply(const Mat4& a, const Mat4& b);
Mat4 orthoMatrix(double left, double right, double bottom, double top, double zNear, double zFar);
// Gauss-Jordan elimination with partial pivoting; false for a singular matrix.
bool invert(const Mat4& in, Mat4& out);
// out = a * v for a column vector v of four.
void transformPoint(const Mat4& a, const double v[4], double out[4]);
Mat4 matrixFromArray(const double* m);

// One step of a transform: a scale by (x, y, z), or else a translation by it.
struct TransformStep {
    bool scale = false;
    float x = 0, y = 0, z = 0;
};
// The matrix glScalef or glTranslatef multiplies by.
Mat4 stepMatrix(const TransformStep& step);
// m times every step in order.
Mat4 applySteps(Mat4 m, const TransformStep* steps, size_t count);

// An x/y box in map coordinates; empty until a point is added.
struct MapRect {
    float x0 = INFINITY, y0 = INFINITY;
    float x1 = -INFINITY, y1 = -INFINITY;
};
void addPoint(MapRect& rect, float x, float y);
// True when the box, at height 0, lies wholly beyond one side of the view that
// transform (projection times modelview) maps to a viewport of the given size in
// pixels, with a margin of 8 pixels for line ends: nothing drawn within the box
// can then reach the window. An empty box is outside.
bool outsideView(const MapRect& rect, const Mat4& transform, int viewportWidth, int viewportHeight);

void mapNormalisation(const TerrainMesh& terrain, MapVertex& c, float& d);
// Scale by (2/D, 2/D, 1), then translate by -c.
std::array<TransformStep, 2> mapNormalisationSteps(const TerrainMesh& terrain);
