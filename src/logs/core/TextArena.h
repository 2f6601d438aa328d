#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace quendal {

// Bump allocator for row texts: bytes are copied into large chunks that never move, so a row
// needs one pointer instead of an allocation of its own. Memory is returned only all at once.
class TextArena
{
public:
    // Room for n bytes that stays valid until clear().
    char* allocate(std::size_t n);
    void clear();
    // Takes over every chunk of another arena, whose pointers stay valid.
    void adopt(TextArena&& other);
    std::size_t bytesReserved() const { return reserved_; }

private:
    static constexpr std::size_t kFirstChunk = 4096;
    static constexpr std::size_t kMaxChunk = std::size_t(1) << 20;

    std::vector<std::unique_ptr<char[]>> chunks_;
    char* cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t nextChunk_ = kFirstChunk;
    std::size_t reserved_ = 0;
};

} // namespace quendal
