#include "tools/world_reader/bounded_bullet_file.h"

#include <BulletFileLoader/bDNA.h>

#include <algorithm>
#include <cstring>

namespace {

// Every Bullet file's header ("BULLETf_v284") is this long; its chunks follow.
constexpr size_t kHeaderLength = 12;

}  // namespace

BoundedBulletFile::BoundedBulletFile(char* buffer, int length) : btBulletFile(buffer, length)
{
    if (!(getFlags() & bParse::FD_OK)) return;
    // Walked before parse(), which swaps byte order and fixes pointers in the
    // buffer, with Bullet's own reading of a chunk's head.
    const size_t headLength = (getFlags() & bParse::FD_FILE_64) ? sizeof(bParse::bChunkPtr8)
                                                                 : sizeof(bParse::bChunkPtr4);
    const size_t end = static_cast<size_t>(length);
    size_t at = kHeaderLength;
    while (at <= end && end - at >= headLength) {
        bParse::bChunkInd head;
        const int step = getNextBlock(&head, buffer + at, getFlags());
        if (head.code == BT_MAKE_ID('E', 'N', 'D', 'B')) break;
        if (head.len < 0 || step < 0 || static_cast<size_t>(step) != headLength + size_t(head.len) ||
            static_cast<size_t>(step) > end - at) {
            break;
        }
        m_stated.push_back({head.oldPtr, at + headLength, head.len, head.nr, head.dna_nr});
        at += static_cast<size_t>(step);
    }
}

void BoundedBulletFile::parse(int verboseMode)
{
    btBulletFile::parse(verboseMode);
    // Only multibody records are read through the bounds: a world without
    // them opens at the old cost.
    if (m_multiBodies.size() == 0 && m_multiBodyLinkColliders.size() == 0) return;
    for (const Chunk& chunk : m_stated) {
        bParse::bStructHandle** made = mLibPointers.find(chunk.oldPointer);
        if (made == nullptr || *made == nullptr) continue;
        const char* pointer = reinterpret_cast<const char*>(*made);
        const char* data = mFileBuffer + chunk.dataOffset;
        const bool inBuffer = pointer >= mFileBuffer && pointer < mFileBuffer + mFileLen;
        auto [entry, fresh] = m_blocks.try_emplace(pointer, Block{&chunk, inBuffer, false});
        // Inside the buffer, a block can only be its own chunk's bytes.
        if (!fresh || (inBuffer && pointer != data)) entry->second.ambiguous = true;
    }
}

const BoundedBulletFile::Block* BoundedBulletFile::Find(const void* block) const
{
    auto found = m_blocks.find(block);
    return found == m_blocks.end() || found->second.ambiguous ? nullptr : &found->second;
}

const char* BoundedBulletFile::StructName(int dnaIndex) const
{
    if (mFileDNA == nullptr || mMemoryDNA == nullptr || dnaIndex < 0 || dnaIndex >= mFileDNA->getNumStructs()) {
        return nullptr;
    }
    const char* name = mFileDNA->getType(mFileDNA->getStruct(dnaIndex)[0]);
    return name != nullptr && mMemoryDNA->getReverseType(name) >= 0 ? name : nullptr;
}

int BoundedBulletFile::StoredRecords(const void* block, const char* typeName, size_t recordSize) const
{
    const Block* found = Find(block);
    if (found == nullptr) return -1;
    const Chunk& chunk = *found->chunk;
    const char* name = StructName(chunk.dnaIndex);
    if (name == nullptr || std::strcmp(name, typeName) != 0) return -1;
    const int fileLength = mFileDNA->getLength(mFileDNA->getStruct(chunk.dnaIndex)[0]);
    const int memoryIndex = mMemoryDNA->getReverseType(name);
    const int memoryLength = mMemoryDNA->getLength(mMemoryDNA->getStruct(memoryIndex)[0]);
    // Bullet copies into records of the memory's layout; left in the buffer,
    // they keep the file's.
    const int heldLength = found->inBuffer ? fileLength : memoryLength;
    if (fileLength <= 0 || heldLength < 0 || static_cast<size_t>(heldLength) != recordSize) return -1;
    // A chunk states its count and its length; only what both allow was stored.
    return std::max(0, std::min(chunk.count, chunk.length / fileLength));
}

std::optional<size_t> BoundedBulletFile::TextLength(const char* text) const
{
    // Bullet leaves texts in the file's bytes; a copy's length is unknown.
    const Block* found = Find(text);
    if (found == nullptr || !found->inBuffer) return std::nullopt;
    const size_t bytes = static_cast<size_t>(found->chunk->length);
    const size_t length = strnlen(text, bytes);
    if (length == bytes) return std::nullopt;
    return length;
}
