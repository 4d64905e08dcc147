#include "resources/ObjVertexMerge.h"

#include <cstring>
#include <limits>

namespace {

constexpr uint32_t NO_VERTEX = std::numeric_limits<uint32_t>::max();

bool operator==(const ObjCorner& a, const ObjCorner& b) { return a.position == b.position && a.texture == b.texture; }

uint64_t mixBits(uint64_t bits) {
    bits ^= bits >> 33;
    bits *= 0xFF51AFD7ED558CCDull;
    bits ^= bits >> 33;
    bits *= 0xC4CEB9FE1A85EC53ull;
    return bits ^ (bits >> 33);
}

// Open addressing over item numbers, sized once for the most items it will hold: finds the
// first added item equal to a new one, or adds the new one and returns it. Each slot keeps
// the item with the high half of its hash, so that most unequal items are passed over
// without looking at them.
class FirstEqualItem {
public:
    explicit FirstEqualItem(size_t itemCount) {
        size_t capacity = 16;
        while (capacity < itemCount * 2) {
            capacity *= 2;
        }
        slots.assign(capacity, EMPTY);
        mask = capacity - 1;
    }

    template <typename Equal>
    uint32_t findOrAdd(uint32_t item, uint64_t hash, Equal equal) {
        const uint64_t mixed = mixBits(hash);
        const uint64_t tag = mixed & 0xFFFFFFFF00000000ull;
        for (size_t slot = static_cast<size_t>(mixed) & mask;; slot = (slot + 1) & mask) {
            if (slots[slot] == EMPTY) {
                slots[slot] = tag | item;
                return item;
            }
            const auto stored = static_cast<uint32_t>(slots[slot]);
            if ((slots[slot] & 0xFFFFFFFF00000000ull) == tag && equal(stored, item)) {
                return stored;
            }
        }
    }

private:
    static constexpr uint64_t EMPTY = std::numeric_limits<uint64_t>::max();
    std::vector<uint64_t> slots;
    size_t mask = 0;
};

// The five floats of a vertex hashed so that equal floats hash alike (-0.0 as 0.0).
uint64_t vertexHash(const float* values) {
    uint64_t hash = 0;
    for (int i = 0; i < 5; ++i) {
        const float canonical = values[i] == 0.0f ? 0.0f : values[i];
        uint32_t bits = 0;
        std::memcpy(&bits, &canonical, sizeof(bits));
        hash = (hash ^ bits) * 0x9E3779B97F4A7C15ull;
    }
    return hash;
}

bool sameVertex(const float* a, const float* b) {
    for (int i = 0; i < 5; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

void mergeTexturedVertices(const std::vector<float>& positions, const std::vector<float>& texCoords,
                           const std::vector<ObjCorner>& corners, ObjMeshData& mesh) {
    // Most positions carry one texture coordinate, so a pair is known by its position: the
    // first texture coordinate seen with each position and the vertex made for that pair.
    struct PositionPair {
        int32_t texture = -1;
        uint32_t vertex = NO_VERTEX;
    };
    const size_t positionCount = positions.size() / 3;
    std::vector<PositionPair> byPosition(positionCount);
    // Each corner's pair as a number: its position, or, for a position's other texture
    // coordinates, positionCount + the place in otherCorners of the pair's first corner.
    std::vector<uint32_t> cornerPairs(corners.size());
    std::vector<uint32_t> otherCorners;  // the corners whose texture coordinate is not their position's first
    size_t pairCount = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        const ObjCorner corner = corners[i];
        PositionPair& pair = byPosition[static_cast<size_t>(corner.position)];
        if (pair.texture < 0) {
            pair.texture = corner.texture;
            ++pairCount;
        }
        if (pair.texture == corner.texture) {
            cornerPairs[i] = static_cast<uint32_t>(corner.position);
        } else {
            otherCorners.push_back(static_cast<uint32_t>(i));
        }
    }
    FirstEqualItem otherPairs(otherCorners.size());
    for (uint32_t k = 0; k < otherCorners.size(); ++k) {
        const ObjCorner corner = corners[otherCorners[k]];
        const uint64_t key = (static_cast<uint64_t>(corner.position) << 32) | static_cast<uint32_t>(corner.texture);
        const uint32_t first = otherPairs.findOrAdd(
            k, key, [&](uint32_t a, uint32_t b) { return corners[otherCorners[a]] == corners[otherCorners[b]]; });
        cornerPairs[otherCorners[k]] = static_cast<uint32_t>(positionCount + first);
        pairCount += first == k ? 1 : 0;
    }

    // Vertices in order of their pair's first corner, which draws the vertex it made; a repeated
    // corner draws the first vertex equal to its pair's, always one made before.
    std::vector<uint32_t> otherPairVertices(otherCorners.size(), NO_VERTEX);
    std::vector<uint32_t> firstEqualVertices;  // for each vertex made, the first with the same five floats
    firstEqualVertices.reserve(pairCount);
    FirstEqualItem equalVertices(pairCount);
    // Reserved whole, so that `values` stays valid while vertices are added.
    mesh.vertices.reserve(pairCount * 5);
    const float* values = mesh.vertices.data();
    mesh.elements.resize(corners.size());
    for (size_t i = 0; i < corners.size(); ++i) {
        const uint32_t pair = cornerPairs[i];
        uint32_t& vertex = pair < positionCount ? byPosition[pair].vertex : otherPairVertices[pair - positionCount];
        if (vertex != NO_VERTEX) {
            mesh.elements[i] = firstEqualVertices[vertex];
            continue;
        }
        vertex = static_cast<uint32_t>(firstEqualVertices.size());
        const size_t p = static_cast<size_t>(corners[i].position) * 3;
        const size_t t = static_cast<size_t>(corners[i].texture) * 2;
        mesh.vertices.insert(mesh.vertices.end(),
                             {positions[p], positions[p + 1], positions[p + 2], texCoords[t], texCoords[t + 1]});
        firstEqualVertices.push_back(equalVertices.findOrAdd(
            vertex, vertexHash(values + 5 * vertex),
            [&](uint32_t a, uint32_t b) { return sameVertex(values + 5 * a, values + 5 * b); }));
        mesh.elements[i] = vertex;
    }
}
