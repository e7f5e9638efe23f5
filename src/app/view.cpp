#include "app/view.h"

#include <cmath>
#include <cstring>

namespace {

// 4x4 matrices in OpenGL's column-major order: element (row r, column c) is m[c*4 + r].
struct Mat4 {
    double m[16];
};

Mat4 identity() {
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

Mat4 translation(double x, double y, double z) {
    Mat4 a = identity();
    a.m[12] = x;
    a.m[13] = y;
    a.m[14] = z;
    return a;
}

Mat4 scaling(double x, double y, double z) {
    Mat4 a = identity();
    a.m[0] = x;
    a.m[5] = y;
    a.m[10] = z;
    return a;
}

Mat4 ortho(double l, double r, double b, double t, double n, double f) {
    Mat4 a = identity();
    a.m[0] = 2.0 / (r - l);
    a.m[5] = 2.0 / (t - b);
    a.m[10] = -2.0 / (f - n);
    a.m[12] = -(r + l) / (r - l);
    a.m[13] = -(t + b) / (t - b);
    a.m[14] = -(f + n) / (f - n);
    return a;
}

// Gauss-Jordan elimination with partial pivoting; false for a singular matrix.
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

void transform(const Mat4& a, const double v[4], double out[4]) {
    for (int r = 0; r < 4; ++r)
        out[r] = a.m[r] * v[0] + a.m[4 + r] * v[1] + a.m[8 + r] * v[2] + a.m[12 + r] * v[3];
}

Mat4 fromArray(const double* m) {
    Mat4 a;
    std::memcpy(a.m, m, sizeof a.m);
    return a;
}

}  // namespace

void mapNormalisation(const TerrainMesh& terrain, MapVertex& c, float& d) {
    const MapVertex& lo = terrain.boxMin;
    const MapVertex& hi = terrain.boxMax;
    c = MapVertex{(lo.x + hi.x) / 2.0f, (lo.y + hi.y) / 2.0f, (lo.z + hi.z) / 2.0f};
    const float dx = lo.x - hi.x;
    const float dy = lo.y - hi.y;
    const float dz = lo.z - hi.z;
    d = std::sqrt(dx * dx + dy * dy + dz * dz);
    // A box without extent (or one that overflows) gives no scale: use a unit one.
    if (!(d > 0.0f) || !std::isfinite(d)) d = 2.0f;
}

void computeViewMatrices(ViewState& view, const TerrainMesh& terrain) {
    const double aspect = static_cast<double>(view.windowWidth) / (view.windowHeight != 0 ? view.windowHeight : 1);
    const Mat4 projection = ortho(-aspect, aspect, -1.0, 1.0, -VIEW_DEPTH, VIEW_DEPTH);

    MapVertex c;
    float d;
    mapNormalisation(terrain, c, d);
    const double s = 2.0 / d;
    Mat4 mv = translation(0, 0, 0.5);
    mv = multiply(mv, scaling(-view.zoom, -view.zoom, 1));
    mv = multiply(mv, translation(view.panX, view.panY, 0));
    mv = multiply(mv, scaling(s, s, 1));
    mv = multiply(mv, translation(-c.x, -c.y, -c.z));

    std::memcpy(view.projection, projection.m, sizeof view.projection);
    std::memcpy(view.modelview, mv.m, sizeof view.modelview);
    view.viewport[0] = 0;
    view.viewport[1] = 0;
    view.viewport[2] = view.windowWidth;
    view.viewport[3] = view.windowHeight;
}

MapPoint unprojectMouse(const ViewState& view, int x, int y) {
    const Mat4 full = multiply(fromArray(view.projection), fromArray(view.modelview));
    Mat4 inverse;
    const int* vp = view.viewport;
    // A degenerate view (zero zoom, empty viewport) maps nothing: answer the origin.
    if (vp[2] == 0 || vp[3] == 0 || !invert(full, inverse)) return MapPoint{};
    const double winX = x;
    const double winY = static_cast<double>(view.windowHeight) - y;
    const double in[4] = {(winX - vp[0]) / vp[2] * 2.0 - 1.0, (winY - vp[1]) / vp[3] * 2.0 - 1.0, -1.0, 1.0};
    double out[4];
    transform(inverse, in, out);
    if (out[3] == 0.0) return MapPoint{};
    MapPoint p{static_cast<float>(out[0] / out[3]), static_cast<float>(out[1] / out[3])};
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return MapPoint{};
    return p;
}

MapPoint projectToWindow(const ViewState& view, MapPoint p) {
    const Mat4 full = multiply(fromArray(view.projection), fromArray(view.modelview));
    const double in[4] = {p.x, p.y, 0.0, 1.0};
    double out[4];
    transform(full, in, out);
    if (out[3] == 0.0) return MapPoint{};
    const int* vp = view.viewport;
    const double winX = vp[0] + (out[0] / out[3] + 1.0) * vp[2] / 2.0;
    const double winY = vp[1] + (out[1] / out[3] + 1.0) * vp[3] / 2.0;
    return MapPoint{static_cast<float>(winX), static_cast<float>(view.windowHeight - winY)};
}

void pickAt(AppState& app, const LabelList& labels, MapPoint m) {
    float best = 1.0f;
    const int previous = app.selected;
    const int count = static_cast<int>(labels.size());
    if (app.selected >= count) {  // a stale index selects nothing
        app.selected = -1;
        app.activeNode = -1;
    }
    if (app.selected != -1) {
        app.activeNode = -1;
        for (int k = 0; k < 4; ++k) {
            const float d = distanceToNode(labels[app.selected], m, k);
            if (d < best) {
                best = d;
                app.activeNode = k;
            }
        }
        if (app.activeNode == -1) app.selected = -1;
    }
    for (int i = 0; i < count; ++i) {
        const float d = distanceToCurve(labels[i], m);
        if (d < best) {
            best = d;
            app.selected = i;
            if (i != previous) app.activeNode = -1;
        }
    }
}

void centreViewOn(ViewState& view, const TerrainMesh& terrain, MapPoint p, float r) {
    MapVertex c;
    float d;
    mapNormalisation(terrain, c, d);
    view.panX = -(p.x - c.x) * 2.0f / d;
    view.panY = -(p.y - c.y) * 2.0f / d;
    if (r != 0.0f) view.zoom = 0.4f * d / r;
}
