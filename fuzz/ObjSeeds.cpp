// Writes the fuzzer's seed corpus: small OBJ files covering every construct the parser
// reads (exporters' polygons, negative indices, colours, byte-order marks and tabs included),
// each a starting point for mutation. Usage: obj_seeds DIRECTORY
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "SeedFiles.h"

namespace {

// A textured grid of cells x cells quads, two triangles each; the last column repeats the
// first positions with other texture coordinates, as a seam of a wrapped model does.
std::string texturedGrid(int cells) {
    std::ostringstream obj;
    obj << "# grid " << cells << " x " << cells << "\no grid\n";
    const int side = cells + 1;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            obj << "v " << x * 0.5 << " " << y * 0.25 << " " << (x % 2 == 0 ? "0" : "-0.125") << "\n";
            obj << "vt " << static_cast<double>(x) / cells << " " << static_cast<double>(y) / cells << "\n";
        }
    }
    obj << "vn 0 0 1\ns off\n";
    for (int y = 0; y < cells; ++y) {
        for (int x = 0; x < cells; ++x) {
            const int a = y * side + x + 1;
            const int b = a + 1;
            const int c = a + side;
            const int d = c + 1;
            const int seam = x + 1 == cells ? y * side + 1 : b;  // wraps back to column 0
            obj << "f " << a << "/" << a << "/1 " << seam << "/" << b << "/1 " << d << "/" << d << "/1\n";
            obj << "f " << a << "/" << a << "/1 " << d << "/" << d << "/1 " << c << "/" << c << "/1\n";
        }
    }
    return obj.str();
}

std::vector<std::pair<std::string, std::string>> seeds() {
    return {
        {"empty.obj", ""},
        {"triangle.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"normals.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n"},
        {"textured_quad.obj",
         "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
         "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n"},
        {"textured_normals.obj",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvt 0.5 0.5\nvn 0 0 1\n"
         "f 1/1/1 2/2/1 3/3/1\nf 1/4/1 2/2/1 3/3/1\n"},
        {"polyline.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nl 1 2 3 4\nl 4 1\n"},
        {"lines_then_faces.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\nf 1 2 3\nl 2 3\n"},
        {"decorated.obj",
         "# exported\r\n\r\nmtllib none.mtl\r\no thing\r\ng part\r\nusemtl skin\r\n v 9 9 9\r\n"
         "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n#end"},
        {"numbers.obj",
         "v 1.5e-3 -0 +2\nv .5 -.25 3abc\nv 1e38 -1e-38 0x10\nvt 0.0f 1.\nvt -2 7\nf 1/1 2/2 3/1\nv 0 0 0\n"},
        {"forward_reference.obj", "f 1/1 2/2 3/3\nvt 0 0\nvt 1 0\nvt 0 1\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"},
        {"grid.obj", texturedGrid(6)},
        {"polygons.obj",
         "v 0 0 0\nv 2 0 0\nv 3 1 0\nv 1 2 0\nv -1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
         "f 1 2 3 4 5\nf 1/1 2/2 3/3 4/4\nf 5//1 4//1 3//1 2//1 1//1\n"},
        {"negative_indices.obj",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nf -3/-3 -2/-2 -1/-1\n"
         "v 1 1 0\nvt 1 1\nf -4/-4/1 -2/-2/1 -1/-1/1\nl -1 -4 2\n"},
        {"colours.obj", "v 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 0 1 0 0 0 1\nv 1 1 0 1\nf 1 2 3\nf 2 4 3\n"},
        {"byte_order_mark.obj", "\xEF\xBB\xBFv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"},
        {"blanks_and_tabs.obj",
         "v\t0  0\t\t0\nv   1 0 0 \t\nv 0\t1 0\t\r\nvt\t 0 \t0\nf  1/1\t2/1   3/1  \n\tf 9 9 9\nl\t1\t 2\n"},
        {"three_number_vt.obj",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0 0\nvt 1 0 0\nvt 0 1 0.5\nvt 1 1 1\n"
         "f 1/1/1 2/2/1 4/4/1 3/3/1\n"},
        {"exported.obj",
         "\xEF\xBB\xBF# exported\r\nmtllib a.mtl\r\no quad\r\nv  -1 -1 0  0.2 0.3 0.4\r\nv  1 -1 0  0.2 0.3 0.4\r\n"
         "v  1 1 0  0.2 0.3 0.4\r\nv  -1 1 0  0.2 0.3 0.4\r\nvt 0 0 0\r\nvt 1 0 0\r\nvt 1 1 0\r\nvt 0 1 0\r\n"
         "vn 0 0 1\r\nusemtl skin\r\ns 1\r\nf\t-4/-4/-1\t-3/-3/-1\t-2/-2/-1\t-1/-1/-1\r\n"},
    };
}

}  // namespace

int main(int argc, char** argv) { return writeSeedFiles(argc, argv, seeds()); }
