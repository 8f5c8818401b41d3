#include "engine/ProgramMatrices.h"

#include <cmath>

namespace ProgramMatrices {

Matrix4 inverseTranspose(const Matrix4& m) {
    // Cofactors by Laplace expansion in double precision. The cofactor matrix C satisfies
    // inverse(m) = transpose(C) / det, so transpose(inverse(m)) = C / det.
    double a[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = m[i];
    }
    auto at = [&a](int row, int column) { return a[column * 4 + row]; };
    double cofactor[16];
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            int r[3], c[3];
            for (int i = 0, n = 0; i < 4; ++i) {
                if (i != row) r[n++] = i;
            }
            for (int i = 0, n = 0; i < 4; ++i) {
                if (i != column) c[n++] = i;
            }
            double minor = at(r[0], c[0]) * (at(r[1], c[1]) * at(r[2], c[2]) - at(r[1], c[2]) * at(r[2], c[1])) -
                           at(r[0], c[1]) * (at(r[1], c[0]) * at(r[2], c[2]) - at(r[1], c[2]) * at(r[2], c[0])) +
                           at(r[0], c[2]) * (at(r[1], c[0]) * at(r[2], c[1]) - at(r[1], c[1]) * at(r[2], c[0]));
            cofactor[column * 4 + row] = ((row + column) % 2 == 0) ? minor : -minor;
        }
    }
    double determinant = 0.0;
    for (int column = 0; column < 4; ++column) {
        determinant += at(0, column) * cofactor[column * 4 + 0];
    }
    double scale = std::fabs(determinant) > 1e-30 ? 1.0 / determinant : 1.0;
    Matrix4 out;
    for (int i = 0; i < 16; ++i) {
        out[i] = float(cofactor[i] * scale);
    }
    return out;
}

}  // namespace ProgramMatrices
