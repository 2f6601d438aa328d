#include "logs/core/TextArena.h"

#include <algorithm>

namespace quendal {

char* TextArena::allocate(std::size_t n)
{
    if (n <= left_) {
        char* p = cursor_;
        cursor_ += n;
        left_ -= n;
        return p;
    }
    if (n > kMaxChunk / 4) {
        // A very long text gets a chunk of its own, so the current chunk keeps serving.
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(n));
        reserved_ += n;
        return chunks_.back().get();
    }
    const std::size_t size = std::max(nextChunk_, n);
    nextChunk_ = std::min(nextChunk_ * 2, kMaxChunk);
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    reserved_ += size;
    cursor_ = chunks_.back().get() + n;
    left_ = size - n;
    return chunks_.back().get();
}

void TextArena::clear()
{
    chunks_.clear();
    chunks_.shrink_to_fit();
    cursor_ = nullptr;
    left_ = 0;
    nextChunk_ = kFirstChunk;
    reserved_ = 0;
}

void TextArena::adopt(TextArena&& other)
{
    chunks_.reserve(chunks_.size() + other.chunks_.size());
    for (auto& chunk : other.chunks_)
        chunks_.push_back(std::move(chunk));
    reserved_ += other.reserved_;
    // The adopted chunks' free tails are left unused: the current chunk keeps serving.
    other.chunks_.clear();
    other.cursor_ = nullptr;
    other.left_ = 0;
    other.reserved_ = 0;
}

} // namespace quendal
