// Our OBJ parser against Debian's tinyobjloader on the same textured mesh, both reading
// from memory: ours over the bytes in place (the mesh loader reads a file into memory in one
// go and parses it so), and once more through a string stream as tinyobjloader reads it.
// Ours again at a tenth of the corners shows that it stays linear.
#include <benchmark/benchmark.h>

#include <tiny_obj_loader.h>

#include <sstream>
#include <string>
#include <string_view>

#include "bench/BenchRatios.h"
#include "bench/GridObj.h"
#include "resources/ObjMesh.h"

namespace {

constexpr int LARGE_CELLS = 500;  // 500,000 triangles
constexpr int SMALL_CELLS = 158;  // 49,928 triangles: a tenth of the corners

const std::string& gridText(int cells) {
    static const std::string large = texturedGridObj(LARGE_CELLS);
    static const std::string small = texturedGridObj(SMALL_CELLS);
    return cells == LARGE_CELLS ? large : small;
}

// Parses the grid once an iteration with parse(text, mesh, error).
template <typename Parse>
void runOurParser(benchmark::State& state, Parse parse) {
    const std::string& text = gridText(static_cast<int>(state.range(0)));
    size_t elements = 0;
    for (auto _ : state) {
        ObjMeshData mesh;
        std::string error;
        if (!parse(text, mesh, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        elements = mesh.elements.size();
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    state.counters["triangles"] = static_cast<double>(elements / 3);
    state.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(text.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_OurParser(benchmark::State& state) {
    runOurParser(state, [](const std::string& text, ObjMeshData& mesh, std::string& error) {
        return parseObj(std::string_view(text), mesh, error);
    });
}

void BM_OurParserFromStream(benchmark::State& state) {
    runOurParser(state, [](const std::string& text, ObjMeshData& mesh, std::string& error) {
        std::istringstream in(text);
        return parseObj(in, mesh, error);
    });
}

void BM_TinyObjLoader(benchmark::State& state) {
    const std::string& text = gridText(static_cast<int>(state.range(0)));
    size_t indices = 0;
    for (auto _ : state) {
        std::istringstream in(text);
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warning;
        std::string error;
        if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warning, &error, &in)) {
            state.SkipWithError(error.c_str());
            return;
        }
        indices = shapes.empty() ? 0 : shapes[0].mesh.indices.size();
        benchmark::DoNotOptimize(attrib.vertices.data());
    }
    state.counters["triangles"] = static_cast<double>(indices / 3);
    state.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(text.size()) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_OurParser)
    ->Arg(SMALL_CELLS)
    ->Arg(LARGE_CELLS)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(3);
BENCHMARK(BM_OurParserFromStream)->Arg(LARGE_CELLS)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(3);
BENCHMARK(BM_TinyObjLoader)->Arg(LARGE_CELLS)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(3);

int main(int argc, char** argv) {
    return runBenchmarksWithRatios(
        argc, argv,
        {{"ours / tinyobjloader, 500,000 triangles", "BM_OurParser/500", "BM_TinyObjLoader/500", OBJ_PARSE_TARGET},
         {"ours through a string stream / tinyobjloader", "BM_OurParserFromStream/500", "BM_TinyObjLoader/500", 1.0},
         {"ours, 10 x the corners / 1 x", "BM_OurParser/500", "BM_OurParser/158", 12.0}});
}
