#include "tools/world_reader/bullet_file_layout.h"

#include <BulletCollision/BroadphaseCollision/btBroadphaseProxy.h>
#include <BulletDynamics/ConstraintSolver/btTypedConstraint.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// "BULLETf_v284": precision, pointer size ('_' 4, '-' 8), byte order ('v'
// little, 'V' big), version.
constexpr size_t kHeaderLength = 12;
// Array sizes beyond this in a field's name are no record Bullet writes.
constexpr long long kMaxFieldArray = 1 << 20;

constexpr bool kHostLittle = std::endian::native == std::endian::little;

// Bounded reads of the file's numbers in its own byte order.
class Bytes {
public:
    Bytes(const char* bytes, size_t length, bool little)
        : m_bytes(bytes), m_length(length), m_swap(little != kHostLittle)
    {
    }

    size_t Length() const { return m_length; }
    const char* At(size_t offset) const { return m_bytes + offset; }
    bool Holds(size_t offset, size_t size) const
    {
        return offset <= m_length && size <= m_length - offset;
    }

    template <typename T>
    T Read(size_t offset) const
    {
        unsigned char raw[sizeof(T)];
        std::memcpy(raw, m_bytes + offset, sizeof raw);
        if (m_swap)
            for (size_t i = 0; i < sizeof raw / 2; ++i)
                std::swap(raw[i], raw[sizeof raw - 1 - i]);
        T value;
        std::memcpy(&value, raw, sizeof value);
        return value;
    }
    std::uint64_t Pointer(size_t offset, size_t size) const
    {
        return size == 8 ? Read<std::uint64_t>(offset) : Read<std::uint32_t>(offset);
    }

private:
    const char* m_bytes;
    size_t m_length;
    bool m_swap;
};

struct Chunk {
    std::string code;
    size_t data;  // offset of its first byte
    int length, count, structIndex;
    std::uint64_t oldPointer;
};

struct Field {
    short type;
    short name;
};
struct Struct {
    short type;
    std::vector<Field> fields;
};

// The file's type table, read as Bullet reads it, each count and index checked.
struct TypeTable {
    std::vector<std::string_view> names, types;
    std::vector<short> lengths;
    std::vector<Struct> structs;
    std::unordered_map<short, int> structOfType;
};

// What Bullet's chunk codes hold, as the reader's other messages name them.
constexpr std::pair<std::string_view, std::string_view> kChunkWords[] = {
    {"RBDY", "rigid body"},
    {"CONS", "constraint"},
    {"SHAP", "shape"},
    {"MBDY", "multibody"},
    {"MBLC", "link collider"},
    {"COBJ", "collision object"},
    {"DWLD", "world settings"},
    {"ARAY", "array"},
    {"SBDY", "soft body"},
    {"TMAP", "triangle info map"},
    {"QBVH", "bounding volume tree"},
    {"DNA1", "type table"}};

// Bullet's importer reads a list at a record's pointer as far as a count in
// the same record says: each count, and the pointers it counts (whichever is
// set), each with how many of its items one counted thing takes. A count
// above zero needs one of them set.
struct CountedPointer {
    std::string_view name;
    int itemsPerCount;
};
struct CountedList {
    std::string_view record;  // the struct's name
    std::string_view count;
    CountedPointer pointers[4];
};
constexpr CountedList kCountedLists[] = {
    {"btConvexHullShapeData",
     "m_numUnscaledPoints",
     {{"*m_unscaledPointsFloatPtr", 1}, {"*m_unscaledPointsDoublePtr", 1}}},
    {"btMultiSphereShapeData", "m_localPositionArraySize", {{"*m_localPositionArrayPtr", 1}}},
    {"btCompoundShapeData", "m_numChildShapes", {{"*m_childShapePtr", 1}}},
    {"btStridingMeshInterfaceData", "m_numMeshParts", {{"*m_meshPartsPtr", 1}}},
    {"btMeshPartData", "m_numVertices", {{"*m_vertices3f", 1}, {"*m_vertices3d", 1}}},
    {"btMeshPartData",
     "m_numTriangles",
     {{"*m_indices32", 3}, {"*m_indices16", 3}, {"*m_3indices16", 1}, {"*m_3indices8", 1}}},
    {"btQuantizedBvhFloatData", "m_numContiguousLeafNodes", {{"*m_contiguousNodesPtr", 1}}},
    {"btQuantizedBvhFloatData",
     "m_numQuantizedContiguousNodes",
     {{"*m_quantizedContiguousNodesPtr", 1}}},
    {"btQuantizedBvhFloatData", "m_numSubtreeHeaders", {{"*m_subTreeInfoPtr", 1}}},
    {"btQuantizedBvhDoubleData", "m_numContiguousLeafNodes", {{"*m_contiguousNodesPtr", 1}}},
    {"btQuantizedBvhDoubleData",
     "m_numQuantizedContiguousNodes",
     {{"*m_quantizedContiguousNodesPtr", 1}}},
    {"btQuantizedBvhDoubleData", "m_numSubtreeHeaders", {{"*m_subTreeInfoPtr", 1}}},
    {"btTriangleInfoMapData", "m_hashTableSize", {{"*m_hashTablePtr", 1}}},
    {"btTriangleInfoMapData", "m_nextSize", {{"*m_nextPtr", 1}}},
    {"btTriangleInfoMapData", "m_numValues", {{"*m_valueArrayPtr", 1}}},
    {"btTriangleInfoMapData", "m_numKeys", {{"*m_keyArrayPtr", 1}}},
};

// The importer reads a shape's or a constraint's record as the struct its
// type names: the chunk must hold that struct, of one precision or another.
struct TypedRecord {
    int type;
    std::string_view stem;  // the struct's name without "Data", "FloatData", "DoubleData2"...
};
constexpr TypedRecord kShapeRecords[] = {
    {BOX_SHAPE_PROXYTYPE, "btConvexInternalShape"},
    {SPHERE_SHAPE_PROXYTYPE, "btConvexInternalShape"},
    {CONVEX_HULL_SHAPE_PROXYTYPE, "btConvexHullShape"},
    {CAPSULE_SHAPE_PROXYTYPE, "btCapsuleShape"},
    {CYLINDER_SHAPE_PROXYTYPE, "btCylinderShape"},
    {CONE_SHAPE_PROXYTYPE, "btConeShape"},
    {MULTI_SPHERE_SHAPE_PROXYTYPE, "btMultiSphereShape"},
    {STATIC_PLANE_PROXYTYPE, "btStaticPlaneShape"},
    {TRIANGLE_MESH_SHAPE_PROXYTYPE, "btTriangleMeshShape"},
    {COMPOUND_SHAPE_PROXYTYPE, "btCompoundShape"},
    {GIMPACT_SHAPE_PROXYTYPE, "btGImpactMeshShape"},
    {SCALED_TRIANGLE_MESH_SHAPE_PROXYTYPE, "btScaledTriangleMeshShape"},
};
constexpr TypedRecord kConstraintRecords[] = {
    {POINT2POINT_CONSTRAINT_TYPE, "btPoint2PointConstraint"},
    {HINGE_CONSTRAINT_TYPE, "btHingeConstraint"},
    {CONETWIST_CONSTRAINT_TYPE, "btConeTwistConstraint"},
    {D6_CONSTRAINT_TYPE, "btGeneric6DofConstraint"},
    {D6_SPRING_CONSTRAINT_TYPE, "btGeneric6DofSpringConstraint"},
    {D6_SPRING_2_CONSTRAINT_TYPE, "btGeneric6DofSpring2Constraint"},
    {FIXED_CONSTRAINT_TYPE, "btGeneric6DofSpring2Constraint"},
    {SLIDER_CONSTRAINT_TYPE, "btSliderConstraint"},
    {GEAR_CONSTRAINT_TYPE, "btGearConstraint"},
};

bool IsRecordOf(std::string_view name, std::string_view stem)
{
    if (name.substr(0, stem.size()) != stem)
        return false;
    const std::string_view rest = name.substr(stem.size());
    return rest == "Data" || rest == "FloatData" || rest == "DoubleData" || rest == "DoubleData2";
}

// "rigid body 3": the chunk's kind and its place among chunks of that kind,
// or "block 12 (XYZW)" for a code Kinetta does not know.
std::string ChunkName(const std::vector<Chunk>& chunks, size_t index)
{
    const std::string& code = chunks[index].code;
    for (const auto& [known, words] : kChunkWords) {
        if (code != known)
            continue;
        int place = 0;
        for (size_t i = 0; i <= index; ++i)
            place += chunks[i].code == code;
        return std::string(words) + " " + std::to_string(place);
    }
    std::string printable;
    for (char c : code)
        printable += (c >= 0x20 && c < 0x7f) ? c : '?';
    return "block " + std::to_string(index + 1) + " (" + printable + ")";
}

// Bullet aligns the table's parts to four bytes in memory; the buffer is.
size_t Align4(const Bytes& b, size_t offset)
{
    const auto address = reinterpret_cast<std::uintptr_t>(b.At(offset));
    return offset + ((4 - address % 4) % 4);
}

std::optional<std::string> ReadTexts(const Bytes& b, size_t end, size_t* at, const char* marker,
                                     std::vector<std::string_view>* texts)
{
    const std::string where = std::string("its type table's ") + marker + " list";
    if (!b.Holds(*at, 8) || *at + 8 > end || std::memcmp(b.At(*at), marker, 4) != 0)
        return where + " is missing";
    const int count = b.Read<std::int32_t>(*at + 4);
    *at += 8;
    if (count < 0 || size_t(count) > end - *at)
        return where + " has a count beyond the file";
    for (int i = 0; i < count; ++i) {
        const void* zero = std::memchr(b.At(*at), 0, end - *at);
        if (zero == nullptr)
            return where + " runs past the end of the table";
        const size_t length = static_cast<const char*>(zero) - b.At(*at);
        texts->emplace_back(b.At(*at), length);
        *at += length + 1;
    }
    *at = Align4(b, *at);
    return std::nullopt;
}

std::optional<std::string> ReadTypeTable(const Bytes& b, size_t start, size_t end, TypeTable* table)
{
    size_t at = start + 4;  // "SDNA"
    if (auto bad = ReadTexts(b, end, &at, "NAME", &table->names))
        return bad;
    if (auto bad = ReadTexts(b, end, &at, "TYPE", &table->types))
        return bad;
    if (!b.Holds(at, 4) || at + 4 > end || std::memcmp(b.At(at), "TLEN", 4) != 0)
        return std::string("its type table's TLEN list is missing");
    at += 4;
    const size_t types = table->types.size();
    if (types * 2 > end - at)
        return std::string("its type table's TLEN list runs past the end of the table");
    for (size_t i = 0; i < types; ++i) {
        table->lengths.push_back(b.Read<std::int16_t>(at));
        if (table->lengths.back() < 0)
            return "its type table gives type " + std::to_string(i) + " a negative size";
        at += 2;
    }
    at = Align4(b, at);
    if (!b.Holds(at, 8) || at + 8 > end || std::memcmp(b.At(at), "STRC", 4) != 0)
        return std::string("its type table's STRC list is missing");
    const int structs = b.Read<std::int32_t>(at + 4);
    at += 8;
    if (structs < 0 || size_t(structs) > (end - at) / 4)
        return std::string("its type table's STRC list has a count beyond the file");
    for (int i = 0; i < structs; ++i) {
        const std::string which = "its type table's struct " + std::to_string(i);
        if (at + 4 > end)
            return which + " runs past the end of the table";
        Struct s;
        s.type = b.Read<std::int16_t>(at);
        const short fields = b.Read<std::int16_t>(at + 2);
        at += 4;
        if (s.type < 0 || size_t(s.type) >= types)
            return which + " names a type the table does not have";
        if (fields < 0 || size_t(fields) > (end - at) / 4)
            return which + " has a count beyond the table";
        for (short f = 0; f < fields; ++f) {
            Field field{b.Read<std::int16_t>(at), b.Read<std::int16_t>(at + 2)};
            at += 4;
            if (field.type < 0 || size_t(field.type) >= types || field.name < 0 ||
                size_t(field.name) >= table->names.size()) {
                return which + " has a field the table does not have";
            }
            s.fields.push_back(field);
        }
        if (!table->structOfType.emplace(s.type, i).second)
            return which + " repeats an earlier struct";
        table->structs.push_back(std::move(s));
    }
    return std::nullopt;
}

// A field's name says whether it is a pointer and how many it holds:
// "*m_next", "m_floats[4]", "m_el[3][4]", "(*m_callback)()".
struct FieldShape {
    bool pointer = false;
    bool pointerToPointer = false;
    long long count = 1;
};

std::optional<FieldShape> ShapeOf(std::string_view name)
{
    FieldShape shape;
    shape.pointer = !name.empty() && (name[0] == '*' || name[0] == '(');
    shape.pointerToPointer = name.size() > 1 && name[0] == '*' && name[1] == '*';
    for (size_t at = name.find('['); at != std::string_view::npos; at = name.find('[', at)) {
        const size_t close = name.find(']', at);
        if (close == std::string_view::npos || close == at + 1)
            return std::nullopt;
        long long size = 0;
        for (size_t i = at + 1; i < close; ++i) {
            if (name[i] < '0' || name[i] > '9')
                return std::nullopt;
            size = size * 10 + (name[i] - '0');
            if (size > kMaxFieldArray)
                return std::nullopt;
        }
        shape.count *= size;
        if (shape.count == 0 || shape.count > kMaxFieldArray)
            return std::nullopt;
        at = close;
    }
    return shape;
}

class LayoutChecker {
public:
    LayoutChecker(const Bytes& b, size_t pointerSize) : m_b(b), m_pointerSize(pointerSize) {}

    std::optional<std::string> Check()
    {
        if (auto bad = WalkChunks())
            return bad;
        if (auto bad = FindTypeTable())
            return bad;
        if (auto bad = CheckStructSizes())
            return bad;
        for (size_t i = 0; i < m_chunks.size(); ++i) {
            if (auto bad = CheckChunk(i))
                return bad;
        }
        return std::nullopt;
    }

private:
    std::optional<std::string> WalkChunks()
    {
        const size_t head = 4 + 4 + m_pointerSize + 4 + 4;
        size_t at = kHeaderLength;
        while (at < m_b.Length()) {
            const std::string name = "block " + std::to_string(m_chunks.size() + 1);
            if (!m_b.Holds(at, head))
                return "the file ends inside the head of " + name;
            Chunk c;
            c.code.assign(m_b.At(at), 4);
            c.length = m_b.Read<std::int32_t>(at + 4);
            c.oldPointer = m_b.Pointer(at + 8, m_pointerSize);
            c.structIndex = m_b.Read<std::int32_t>(at + 8 + m_pointerSize);
            c.count = m_b.Read<std::int32_t>(at + 12 + m_pointerSize);
            c.data = at + head;
            if (c.code == "ENDB")
                return std::nullopt;
            if (c.length < 0 || !m_b.Holds(c.data, size_t(c.length)))
                return name + " runs past the end of the file";
            if (c.oldPointer != 0 && !m_byPointer.emplace(c.oldPointer, m_chunks.size()).second)
                return name + " claims the address of " +
                       ChunkName(m_chunks, m_byPointer[c.oldPointer]);
            m_chunks.push_back(c);
            at = c.data + size_t(c.length);
        }
        return std::nullopt;
    }

    std::optional<std::string> FindTypeTable()
    {
        std::optional<size_t> table;
        for (size_t i = 0; i < m_chunks.size(); ++i) {
            if (m_chunks[i].code != "DNA1")
                continue;
            if (table)
                return std::string("the file holds two type tables");
            table = i;
        }
        if (!table)
            return std::string("the file holds no type table");
        const Chunk& c = m_chunks[*table];
        const std::string_view marker = "SDNANAME";
        if (size_t(c.length) < marker.size() ||
            std::memcmp(m_b.At(c.data), marker.data(), marker.size()) != 0)
            return std::string("its type table does not start as one");
        // Bullet finds its table by searching the bytes for its start.
        const std::string_view all(m_b.At(0), m_b.Length());
        if (all.find(marker) != c.data || all.find(marker, c.data + 1) != std::string_view::npos)
            return std::string("the file holds something that looks like a second type table");
        return ReadTypeTable(m_b, c.data, c.data + size_t(c.length), &m_table);
    }

    // Bullet copies a record field by field; the fields must fill its size.
    std::optional<std::string> CheckStructSizes()
    {
        for (size_t i = 0; i < m_table.structs.size(); ++i) {
            const Struct& s = m_table.structs[i];
            long long size = 0;
            for (const Field& f : s.fields) {
                const std::optional<FieldShape> shape = ShapeOf(m_table.names[size_t(f.name)]);
                if (!shape)
                    return "its type table's struct " + std::to_string(i) +
                           " has a field with a garbled name";
                size += shape->count * (shape->pointer ? static_cast<long long>(m_pointerSize)
                                                       : m_table.lengths[size_t(f.type)]);
            }
            if (size != m_table.lengths[size_t(s.type)])
                return "its type table's struct " +
                       std::string(m_table.types[size_t(s.type)].substr(0, 60)) +
                       " has fields that do not fill its size";
        }
        return std::nullopt;
    }

    std::optional<std::string> CheckChunk(size_t index)
    {
        const Chunk& c = m_chunks[index];
        const std::string name = ChunkName(m_chunks, index);
        if (c.count < 0)
            return name + " has a negative count";
        if (c.structIndex < 0)
            return std::nullopt;  // plain bytes: texts, the type table, arrays
        if (size_t(c.structIndex) >= m_table.structs.size())
            return name + " names a struct its type table does not have";
        const Struct& s = m_table.structs[size_t(c.structIndex)];
        const long long size = m_table.lengths[size_t(s.type)];
        if (c.count * size > c.length)
            return name + " says it holds " + std::to_string(c.count) + " records of " +
                   std::to_string(size) + " bytes in " + std::to_string(c.length);
        // An array of records says what it holds, and which item is wrong.
        const std::string items =
            c.code == "ARAY"
                ? name + " of " + std::string(m_table.types[size_t(s.type)].substr(0, 60))
                : name;
        for (int r = 0; r < c.count; ++r) {
            const std::string item =
                c.count > 1 ? items + ", item " + std::to_string(r + 1) : items;
            if (auto bad = CheckPointers(s, c.data + size_t(r * size), item, 0))
                return bad;
        }
        if (c.count < 1)
            return std::nullopt;
        // The type follows the name pointer of a shape, and two body
        // pointers and a name pointer of a constraint.
        if (c.code == "SHAP" && size >= static_cast<long long>(m_pointerSize + 4))
            return CheckTypedRecord(kShapeRecords, m_b.Read<std::int32_t>(c.data + m_pointerSize),
                                    s, name);
        if (c.code == "CONS" && size >= static_cast<long long>(3 * m_pointerSize + 4))
            return CheckTypedRecord(kConstraintRecords,
                                    m_b.Read<std::int32_t>(c.data + 3 * m_pointerSize), s, name);
        return std::nullopt;
    }

    template <size_t N>
    std::optional<std::string> CheckTypedRecord(const TypedRecord (&records)[N], int type,
                                                const Struct& s, const std::string& chunk)
    {
        const std::string_view held = m_table.types[size_t(s.type)];
        for (const TypedRecord& r : records) {
            if (r.type == type && !IsRecordOf(held, r.stem))
                return chunk + " says it is a " + std::string(r.stem.substr(2)) + " but holds a " +
                       std::string(held.substr(0, 60));
        }
        return std::nullopt;
    }

    // A top-level field's offset in a record, or nothing.
    std::optional<std::pair<size_t, Field>> FieldAt(const Struct& s, std::string_view name) const
    {
        size_t at = 0;
        for (const Field& f : s.fields) {
            const std::string_view fieldName = m_table.names[size_t(f.name)];
            const FieldShape shape = *ShapeOf(fieldName);
            if (fieldName == name)
                return std::make_pair(at, f);
            at += size_t(shape.count) *
                  (shape.pointer ? m_pointerSize : size_t(m_table.lengths[size_t(f.type)]));
        }
        return std::nullopt;
    }

    // Each counted list holds as many items as its count says.
    std::optional<std::string> CheckCounts(const Struct& s, size_t at, const std::string& chunk)
    {
        const std::string_view structName = m_table.types[size_t(s.type)];
        for (const CountedList& list : kCountedLists) {
            if (list.record != structName)
                continue;
            const std::string field = chunk + ": its " + std::string(list.count.substr(2));
            const auto count = FieldAt(s, list.count);
            if (!count || m_table.lengths[size_t(count->second.type)] != 4)
                return field + " is missing";
            const long long counted = m_b.Read<std::int32_t>(at + count->first);
            if (counted < 0)
                return field + " is negative";
            bool listed = counted == 0;
            for (const CountedPointer& p : list.pointers) {
                if (p.name.empty())
                    continue;
                const auto pointer = FieldAt(s, p.name);
                if (!pointer)
                    continue;
                const auto target =
                    m_byPointer.find(m_b.Pointer(at + pointer->first, m_pointerSize));
                if (target == m_byPointer.end())
                    continue;  // null, or refused with the pointer
                listed = true;
                const long long itemSize = m_table.lengths[size_t(pointer->second.type)];
                const Chunk& held = m_chunks[target->second];
                const long long items = held.structIndex >= 0 ? held.count
                                        : itemSize > 0        ? held.length / itemSize
                                                              : 0;
                if (counted * p.itemsPerCount > items)
                    return field + " says " + std::to_string(counted) + " but " +
                           ChunkName(m_chunks, target->second) + " holds " +
                           std::to_string(items / p.itemsPerCount);
            }
            if (!listed)
                return field + " says " + std::to_string(counted) + " but the list is missing";
        }
        return std::nullopt;
    }

    // Every pointer in a record, nested structs included, names the start
    // of a chunk that holds what it points to.
    std::optional<std::string> CheckPointers(const Struct& s, size_t at, const std::string& chunk,
                                             int depth)
    {
        if (depth > 16)
            return chunk + " nests its structs too deeply";
        // Pointers first: the counts look up what they point to.
        std::optional<std::string> bad = CheckFields(s, at, chunk, depth);
        return bad ? bad : CheckCounts(s, at, chunk);
    }

    std::optional<std::string> CheckFields(const Struct& s, size_t at, const std::string& chunk,
                                           int depth)
    {
        for (const Field& f : s.fields) {
            const std::string_view fieldName = m_table.names[size_t(f.name)];
            const FieldShape shape = *ShapeOf(fieldName);
            const long long length = m_table.lengths[size_t(f.type)];
            for (long long i = 0; i < shape.count; ++i) {
                if (!shape.pointer) {
                    const auto nested = m_table.structOfType.find(f.type);
                    if (nested != m_table.structOfType.end()) {
                        if (auto bad = CheckPointers(m_table.structs[size_t(nested->second)], at,
                                                     chunk, depth + 1))
                            return bad;
                    }
                    at += size_t(length);
                    continue;
                }
                if (auto bad =
                        CheckTarget(m_b.Pointer(at, m_pointerSize), f, shape, chunk, fieldName))
                    return bad;
                at += m_pointerSize;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> CheckTarget(std::uint64_t pointer, const Field& f,
                                           const FieldShape& shape, const std::string& chunk,
                                           std::string_view fieldName)
    {
        if (pointer == 0 || fieldName.front() == '(')
            return std::nullopt;
        std::string_view bare = fieldName.substr(fieldName.find_first_not_of('*'));
        const std::string field =
            chunk + ": its " + std::string(bare.substr(0, bare.find('[')).substr(0, 60));
        const std::string_view type = m_table.types[size_t(f.type)];
        const auto found = m_byPointer.find(pointer);
        if (found == m_byPointer.end()) {
            // Bullet writes a constraint to the world with a body it does
            // not write; the importer only looks such a body up.
            if (type == "btRigidBodyFloatData" || type == "btRigidBodyDoubleData" ||
                type == "btRigidBodyData")
                return std::nullopt;
            return field + " points to nothing the file holds";
        }
        if (shape.pointerToPointer)
            return std::nullopt;
        const Chunk& target = m_chunks[found->second];
        if (type == "char") {
            if (std::memchr(m_b.At(target.data), 0, size_t(target.length)) == nullptr)
                return field + " is a text without an end";
            return std::nullopt;
        }
        long long held = target.length;
        if (target.structIndex >= 0)
            held = m_table.lengths[size_t(m_table.structs[size_t(target.structIndex)].type)];
        if (held < m_table.lengths[size_t(f.type)])
            return field + " points to " + ChunkName(m_chunks, found->second) +
                   ", which is smaller than a " + std::string(type.substr(0, 60));
        return std::nullopt;
    }

    const Bytes& m_b;
    const size_t m_pointerSize;
    std::vector<Chunk> m_chunks;
    std::unordered_map<std::uint64_t, size_t> m_byPointer;
    TypeTable m_table;
};

}  // namespace

std::optional<std::string> FindLayoutDamage(const char* bytes, size_t length)
{
    if (length < kHeaderLength)
        return std::string("its header is cut short");
    const char pointer = bytes[7], order = bytes[8];
    if ((pointer != '_' && pointer != '-') || (order != 'v' && order != 'V'))
        return std::string("its header is not that of a Bullet file");
    const Bytes b(bytes, length, order == 'v');
    return LayoutChecker(b, pointer == '-' ? 8 : 4).Check();
}
