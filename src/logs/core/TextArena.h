#pragma once

#include <cstddef>
#include <deque>
#include <memory>

namespace quendal {

// Bump allocator for row texts: bytes are copied into large chunks that never move, so a row
// needs one pointer instead of an allocation of its own. Each chunk counts the texts still in
// use in it and is freed when the last of them is released; as rows leave in the order they
// came, the chunks are freed first in, first out, and a list that keeps a fixed number of rows
// keeps a fixed number of chunks.
class TextArena
{
public:
    TextArena() = default;
    TextArena(TextArena&& other) noexcept;
    TextArena& operator=(TextArena&& other) noexcept;

    // Room for n > 0 bytes that stays valid until it is released or the arena cleared.
    char* allocate(std::size_t n);
    // Gives back a text that allocate() handed out; its chunk goes once nothing in it is used.
    void release(const char* text);
    void clear();
    // Takes over every chunk of another arena, whose pointers stay valid and are released here.
    // Allocation goes on in the adopted current chunk, so chunks stay in the order of their rows.
    void adopt(TextArena&& other);

    std::size_t bytesReserved() const { return reserved_; }
    std::size_t chunkCount() const { return live_; }

private:
    static constexpr std::size_t kFirstChunk = 4096;
    static constexpr std::size_t kMaxChunk = std::size_t(1) << 20;
    // Chunks this large are mapped from the system each on its own and unmapped when freed. From
    // the heap they would stay: the allocator maps a large block only until the first one comes
    // back, and chunks cut on the receiver thread and freed on the window's leave holes in that
    // thread's heap that are never returned, so a full list would keep growing.
    static constexpr std::size_t kMapFrom = std::size_t(128) << 10;

    struct ChunkFree
    {
        std::size_t size; // value-initialised to 0 by the pointer that holds it
        void operator()(char* bytes) const;
    };

    struct Chunk
    {
        std::unique_ptr<char[], ChunkFree> bytes; // null once freed
        std::size_t size = 0;
        std::size_t texts = 0; // allocations not yet released
        bool contains(const char* p) const
        {
            return bytes && p >= bytes.get() && p < bytes.get() + size;
        }
    };

    Chunk& newChunk(std::size_t size);
    void freeIfUnused(Chunk& chunk);
    void dropFreedChunksAtFront();

    // Oldest first. A freed chunk in the middle keeps its slot until those before it go too.
    std::deque<Chunk> chunks_;
    Chunk* current_ = nullptr; // the chunk small texts are cut from; never freed while current
    char* cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t nextChunk_ = kFirstChunk;
    std::size_t reserved_ = 0;
    std::size_t live_ = 0;
};

} // namespace quendal
