// Vector and matrix arithmetic for the camera, projection and viewport. Matrices are 4 x 4
// floats, row-major (element (r, c) is m[r * 4 + c]); vectors are row vectors multiplied
// from the left, so a translation lies in elements 12, 13 and 14.
#pragma once

namespace orvik {

struct Matrix4 {
    float m[16];
};

struct Vector3 {
    float x, y, z;
};

// The identity matrix.
int SetUnitMatrix(Matrix4* out);
// out = a x b; out may be a or b. A null out writes nothing.
int MultiplyMatrix4(Matrix4* out, const Matrix4* a, const Matrix4* b);
// The transpose of in.
int TransposeMatrix4(Matrix4* out, const Matrix4* in);
// -1 (out unchanged) when the determinant lies strictly between -1e-7 and 1e-7.
int InvertMatrix4(Matrix4* out, const Matrix4* in);

// Left-handed perspective projection. The aspect is height / width; below 0 it is taken
// from the screen size. -1 (out unchanged) when far and near (or the half angle's sine)
// are within 0.0001 of each other (of 0).
int BuildFovProjectionMatrix(Matrix4* out, float fovAngle, float zNear, float zFar, float aspect);
// Orthographic projection of a view viewHeight high; the aspect as above. -1 when near
// and far are within 0.0001, or the view has no height or width.
int BuildOrthoProjectionMatrix(Matrix4* out, float viewHeight, float zNear, float zFar, float aspect);
// The matrix that maps -1 ... 1 onto a viewport centred at (centerX, centerY).
int BuildViewportTransform(Matrix4* out, float centerX, float centerY, float width, float height);
// Left-handed look-at view matrix.
int BuildViewMatrix(Matrix4* out, const Vector3* eye, const Vector3* target, const Vector3* up);

// Divides by the length (a zero vector gives NaNs).
int NormalizeVector3(Vector3* out, const Vector3* in);
// (x, y, z) normalised into out; out.
Vector3* MakeNormalizedVector3(Vector3* out, float x, float y, float z);
// The dot product.
float DotVector3(const Vector3* a, const Vector3* b);
// v x m with w taken as 1 and no division.
int TransformVector3(Vector3* out, const Vector3* v, const Matrix4* m);

}  // namespace orvik
