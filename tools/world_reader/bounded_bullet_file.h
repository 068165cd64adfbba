#pragma once
// Bullet's file parser, which also knows how much the file stored behind
// each pointer it resolved. Bullet follows a record's counts and pointers as
// the record states them; a file that lies about a count, or names a block
// that does not exist, would have the reader read beyond what the file holds.

#include <BulletFileLoader/btBulletFile.h>

#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

class BoundedBulletFile : public bParse::btBulletFile {
public:
    // The buffer must outlive the file; parse() changes it in place.
    BoundedBulletFile(char* buffer, int length);

    // Also indexes the blocks, in a file with multibody records only: the
    // questions below are answered there alone.
    void parse(int verboseMode) override;

    // How many whole records of the struct named typeName ("btMultiBodyLinkFloatData")
    // the file stored at a resolved pointer, each of recordSize bytes in memory;
    // -1 when the pointer is not the start of such a block.
    int StoredRecords(const void* block, const char* typeName, size_t recordSize) const;

    // The length of a zero-terminated text at a resolved pointer, or nothing
    // when the pointer is not the start of a block or the block holds no zero.
    std::optional<size_t> TextLength(const char* text) const;

private:
    // A chunk as the file states it, before Bullet changes the buffer.
    struct Chunk {
        void* oldPointer;
        size_t dataOffset;
        int length, count, dnaIndex;
    };
    struct Block {
        const Chunk* chunk;
        bool inBuffer;  // Bullet points into the file's bytes instead of a copy
        bool ambiguous; // two chunks resolve to it: which one it holds is unknown
    };

    const Block* Find(const void* block) const;
    // The file's struct at a chunk's index, when the memory knows it by the same name.
    const char* StructName(int dnaIndex) const;

    std::vector<Chunk> m_stated;
    std::unordered_map<const void*, Block> m_blocks;
};
