// 4 x 4 matrices in OpenGL's order, transform steps and the map normalisation.
#include "terrain/map_transform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

Mat4 identityMatrix() {
    Mat4 a{};
    a.m[0] = a.m[5] = a.m[10] = a.m[15] = 1.0;
    return a;
}

Mat4 multiply(const Mat4& a, const Mat4& b) {
    Mat4 out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[k * 4 + r] * b.m[c * 4 + k];
            out.m[c * 4 + r] = s;
        }
    return out;
}

Mat4 stepMatrix(const TransformStep& step) {
    Mat4 a = identityMatrix();
    // A scale sets the diagonal, a translation the last column.
    const int at = step.scale ? 5 : 1;
    const int first = step.scale ? 0 : 12;
    a.m[first] = step.x;
    a.m[first + at] = step.y;
    a.m[first + 2 * at] = step.z;
    return a;
}

Mat4 orthoMatrix(double left, double right, double bottom, double top, double zNear, double zFar) {
    Mat4 a = identityMatrix();
    a.m[0] = 2.0 / (right - left);
    a.m[5] = 2.0 / (top - bottom);
    a.m[10] = -2.0 / (zFar - zNear);
    a.m[12] = -(right + left) / (right - left);
    a.m[13] = -(top + bottom) / (top - bottom);
    a.m[14] = -(zFar + zNear) / (zFar - zNear);
    return a;
}

bool invert(const Mat4& in, Mat4& out) {
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = in.m[c * 4 + r];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (!(std::fabs(a[pivot][col]) > 0.0) || !std::isfinite(a[pivot][col])) return false;
        if (pivot != col)
            for (int c = 0; c < 8; ++c) std::swap(a[col][c], a[pivot][c]);
        const double p = a[col][col];
        for (int c = 0; c < 8; ++c) a[col][c] /= p;
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            const double f = a[r][col];
            if (f == 0.0) continue;
            for (int c = 0; c < 8; ++c) a[r][c] -= f * a[col][c];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out.m[c * 4 + r] = a[r][c + 4];
    return true;
}

void transformPoint(const Mat4& a, const double v[4], double out[4]) {
    for (int r = 0; r < 4; ++r)
        out[r] = a.m[r] * v[0] + a.m[4 + r] * v[1] + a.m[8 + r] * v[2] + a.m[12 + r] * v[3];
}

Mat4 matrixFromArray(const double* m) {
    Mat4 a;
    std::memcpy(a.m, m, sizeof a.m);
    return a;
}

Mat4 applySteps(Mat4 m, const TransformStep* steps, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        m = multiply(m, stepMatrix(steps[i]));
    }
    return m;
}

void mapNormalisation(const TerrainMesh& terrain, MapVertex& c, float& d) {
    const MapVertex& lo = terrain.boxMin;
    const MapVertex& hi = terrain.boxMax;
    c = MapVertex{(lo.x + hi.x) / 2.0f, (lo.y + hi.y) / 2.0f, (lo.z + hi.z) / 2.0f};
    const float dx = lo.x - hi.x;
    const float dy = lo.y - hi.y;
    const float dz = lo.z - hi.z;
    d = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(d > 0.0f) || !std::isfinite(d) || !std::isfinite(2.0f / d)) d = 2.0f;
}

std::array<TransformStep, 2> mapNormalisationSteps(const TerrainMesh& terrain) {
    MapVertex c;
    float d;
    mapNormalisation(terrain, c, d);
    const float s = 2.0f / d;
    return {TransformStep{true, s, s, 1.0f}, TransformStep{false, -c.x, -c.y, -c.z}};
}

void addPoint(MapRect& rect, float x, float y) {
    rect.x0 = std::min(rect.x0, x);
    rect.y0 = std::min(rect.y0, y);
    rect.x1 = std::max(rect.x1, x);
    rect.y1 = std::max(rect.y1, y);
}

bool outsideView(const MapRect& rect, const Mat4& transform, int viewportWidth, int viewportHeight) {
    if (!(rect.x0 <= rect.x1 && rect.y0 <= rect.y1)) return true;
    const double marginX = 8.0 / std::max(1, viewportWidth);
    const double marginY = 8.0 / std::max(1, viewportHeight);
    const double* m = transform.m;
    const double xs[2] = {rect.x0, rect.x1};
    const double ys[2] = {rect.y0, rect.y1};
    bool allLeft = true, allRight = true, allBelow = true, allAbove = true;
    for (double x : xs)
        for (double y : ys) {
            const double cx = m[0] * x + m[4] * y + m[12];
            const double cy = m[1] * x + m[5] * y + m[13];
            const double cw = m[3] * x + m[7] * y + m[15];
            if (!(cw > 0) || !std::isfinite(cx) || !std::isfinite(cy)) return false;
            allLeft = allLeft && cx < -cw * (1 + marginX);
            allRight = allRight && cx > cw * (1 + marginX);
            allBelow = allBelow && cy < -cw * (1 + marginY);
            allAbove = allAbove && cy > cw * (1 + marginY);
        }
    return allLeft || allRight || allBelow || allAbove;
}
