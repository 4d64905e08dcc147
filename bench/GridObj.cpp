#include "bench/GridObj.h"

#include <cmath>
#include <cstdio>

namespace {

void appendLine(std::string& text, const char* format, double a, double b, double c) {
    char line[96];
    const int length = std::snprintf(line, sizeof(line), format, a, b, c);
    text.append(line, static_cast<size_t>(length));
}

}  // namespace

std::string texturedGridObj(int cells) {
    const int side = cells + 1;
    std::string text = "# rippled grid\no grid\n";
    text.reserve(static_cast<size_t>(side) * side * 90 + static_cast<size_t>(cells) * cells * 80);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double u = static_cast<double>(x) / cells;
            const double v = static_cast<double>(y) / cells;
            appendLine(text, "v %.6f %.6f %.6f\n", u * 10.0 - 5.0, 0.25 * std::sin(u * 31.0) * std::cos(v * 17.0),
                       v * 10.0 - 5.0);
            appendLine(text, "vt %.6f %.6f\n", u, v, 0.0);
            appendLine(text, "vn %.6f %.6f %.6f\n", 0.0, 1.0, 0.0);
        }
    }
    char face[96];
    for (int y = 0; y < cells; ++y) {
        for (int x = 0; x < cells; ++x) {
            const int a = y * side + x + 1;
            const int b = a + 1;
            const int c = a + side;
            const int d = c + 1;
            int length = std::snprintf(face, sizeof(face), "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, d, d, d);
            text.append(face, static_cast<size_t>(length));
            length = std::snprintf(face, sizeof(face), "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, d, d, d, c, c, c);
            text.append(face, static_cast<size_t>(length));
        }
    }
    return text;
}
