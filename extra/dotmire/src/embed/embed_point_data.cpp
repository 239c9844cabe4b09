// Build step: turns the checked-in point data (integer millionths) into C++
// constant arrays of six-decimal float literals, written into the build tree.
//   embed_point_data table <point_table.txt> <out.cpp>
//   embed_point_data tiles <point_table.txt> <wang_tile_transforms.txt> <out.cpp>
//   embed_point_data lattice <tile_lattice.txt> <out.cpp>
// The tile lists are prefixes of the table under a symmetry of the square and
// a wrap-around shift, done in integers so that wrap distances are kept exactly.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tile_transform.h"

namespace {

using Stipple_Shader::embed::kUnit;
using Stipple_Shader::embed::Millionths;
using Stipple_Shader::embed::Transform;

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "embed_point_data: %s\n", message.c_str());
    std::exit(1);
}

// Rows of whitespace-separated integers; blank lines and '#' comments skipped.
std::vector<std::vector<long>> ReadRows(const char* path, size_t columns) {
    std::ifstream in(path);
    if (!in) Fail(std::string("cannot read ") + path);
    std::vector<std::vector<long>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::vector<long> row;
        long value;
        while (fields >> value) row.push_back(value);
        if (row.size() != columns) Fail(std::string("bad row in ") + path + ": " + line);
        rows.push_back(row);
    }
    return rows;
}

std::vector<Millionths> ReadPoints(const char* path, size_t expected) {
    std::vector<Millionths> points;
    for (const auto& row : ReadRows(path, 2)) {
        if (row[0] < 0 || row[0] >= kUnit || row[1] < 0 || row[1] >= kUnit)
            Fail(std::string("coordinate outside [0, 1) in ") + path);
        points.push_back({row[0], row[1]});
    }
    if (points.size() != expected) Fail(std::string("wrong number of points in ") + path);
    return points;
}

std::string Literal(long millionths) {
    char text[32];
    std::snprintf(text, sizeof text, "%ld.%06ldf", millionths / kUnit, millionths % kUnit);
    return text;
}

void WriteArray(std::ostream& out, const std::string& declaration, const std::vector<Millionths>& points) {
    out << declaration << " = {\n";
    for (const Millionths& p : points) out << "    {" << Literal(p.x) << ", " << Literal(p.y) << "},\n";
    out << "};\n";
}

std::ofstream OpenOutput(const char* path) {
    std::ofstream out(path);
    if (!out) Fail(std::string("cannot write ") + path);
    out << "// Generated at build time by embed_point_data; do not edit.\n"
           "#include \"point_table.h\"\n\nnamespace Stipple_Shader {\n\n";
    return out;
}

void Close(std::ofstream& out, const char* path) {
    out << "\n}  // namespace Stipple_Shader\n";
    out.close();
    if (!out) Fail(std::string("cannot write ") + path);
}

void EmbedTable(const char* tablePath, const char* outPath) {
    std::vector<Millionths> points = ReadPoints(tablePath, 8192);
    std::ofstream out = OpenOutput(outPath);
    WriteArray(out, "const PatternPoint PointTable8192[kTablePointCount]", points);
    Close(out, outPath);
}

void EmbedTiles(const char* tablePath, const char* transformPath, const char* outPath) {
    std::vector<Millionths> table = ReadPoints(tablePath, 8192);
    auto rows = ReadRows(transformPath, 6);  // tile, list (0 A, 1 B), count, symmetry, shift x, shift y
    if (rows.size() != 16) Fail("the transform table needs 16 rows");
    std::ofstream out = OpenOutput(outPath);
    for (const auto& row : rows) {
        long tile = row[0], list = row[1], count = row[2];
        if (tile < 0 || tile > 7 || list < 0 || list > 1 || count < 1 || count > 8192 || row[3] < 0 ||
            row[3] > 7 || row[4] < 0 || row[4] >= kUnit || row[5] < 0 || row[5] >= kUnit)
            Fail("bad transform row");
        std::vector<Millionths> points;
        for (long i = 0; i < count; ++i) points.push_back(Transform(table[i], row[3], row[4], row[5]));
        const std::string name = "kWangTile" + std::to_string(tile) + (list ? "B" : "A") + "[" +
                                 std::to_string(count) + "]";
        out << "extern const PatternPoint " << name << ";\n";
        WriteArray(out, "const PatternPoint " + name, points);
    }
    Close(out, outPath);
}

void EmbedLattice(const char* latticePath, const char* outPath) {
    std::vector<Millionths> points = ReadPoints(latticePath, 16 * 32);
    std::ofstream out = OpenOutput(outPath);
    out << "extern const PatternPoint kLatticePoints[16][32];\n";
    out << "const PatternPoint kLatticePoints[16][32] = {\n";
    for (size_t t = 0; t < 16; ++t) {
        out << "  {\n";
        for (size_t k = 0; k < 32; ++k) {
            const Millionths& p = points[t * 32 + k];
            out << "    {" << Literal(p.x) << ", " << Literal(p.y) << "},\n";
        }
        out << "  },\n";
    }
    out << "};\n";
    Close(out, outPath);
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "table" && argc == 4) EmbedTable(argv[2], argv[3]);
    else if (mode == "tiles" && argc == 5) EmbedTiles(argv[2], argv[3], argv[4]);
    else if (mode == "lattice" && argc == 4) EmbedLattice(argv[2], argv[3]);
    else Fail("usage: embed_point_data table|tiles|lattice <inputs...> <out.cpp>");
    return 0;
}
