#include "logs/core/TextArena.h"

#include <algorithm>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace quendal {

void TextArena::ChunkFree::operator()(char* bytes) const
{
    if (size >= kMapFrom)
        ::munmap(bytes, size);
    else
        delete[] bytes;
}

TextArena::TextArena(TextArena&& other) noexcept
{
    *this = std::move(other);
}

TextArena& TextArena::operator=(TextArena&& other) noexcept
{
    if (this == &other)
        return *this;
    // A deque's elements keep their addresses when the deque itself is moved.
    chunks_ = std::move(other.chunks_);
    current_ = std::exchange(other.current_, nullptr);
    cursor_ = std::exchange(other.cursor_, nullptr);
    left_ = std::exchange(other.left_, 0);
    nextChunk_ = std::exchange(other.nextChunk_, kFirstChunk);
    reserved_ = std::exchange(other.reserved_, 0);
    live_ = std::exchange(other.live_, 0);
    other.chunks_.clear();
    return *this;
}

TextArena::Chunk& TextArena::newChunk(std::size_t size)
{
    char* bytes = nullptr;
    if (size >= kMapFrom) {
        void* mapped =
            ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        bytes = static_cast<char*>(mapped);
    } else {
        bytes = new char[size];
    }
    Chunk& chunk = chunks_.emplace_back();
    chunk.bytes = std::unique_ptr<char[], ChunkFree>(bytes, ChunkFree{size});
    chunk.size = size;
    reserved_ += size;
    ++live_;
    return chunk;
}

char* TextArena::allocate(std::size_t n)
{
    if (n <= left_ && current_) {
        char* p = cursor_;
        cursor_ += n;
        left_ -= n;
        ++current_->texts;
        return p;
    }
    if (n > kMaxChunk / 4) {
        // A very long text gets a chunk of its own, so the current chunk keeps serving.
        Chunk& own = newChunk(n);
        own.texts = 1;
        return own.bytes.get();
    }
    const std::size_t size = std::max(nextChunk_, n);
    nextChunk_ = std::min(nextChunk_ * 2, kMaxChunk);
    Chunk* previous = current_;
    current_ = &newChunk(size);
    current_->texts = 1;
    cursor_ = current_->bytes.get() + n;
    left_ = size - n;
    if (previous) {
        freeIfUnused(*previous);
        dropFreedChunksAtFront();
    }
    return current_->bytes.get();
}

void TextArena::release(const char* text)
{
    if (!text)
        return;
    // Rows mostly leave oldest first, so the chunk is almost always one of the first few.
    for (Chunk& chunk : chunks_) {
        if (!chunk.contains(text))
            continue;
        --chunk.texts;
        freeIfUnused(chunk);
        dropFreedChunksAtFront();
        return;
    }
}

void TextArena::freeIfUnused(Chunk& chunk)
{
    if (chunk.texts != 0 || &chunk == current_ || !chunk.bytes)
        return;
    chunk.bytes.reset();
    reserved_ -= chunk.size;
    --live_;
}

void TextArena::dropFreedChunksAtFront()
{
    while (!chunks_.empty() && !chunks_.front().bytes)
        chunks_.pop_front();
}

void TextArena::clear()
{
    std::deque<Chunk>().swap(chunks_);
    current_ = nullptr;
    cursor_ = nullptr;
    left_ = 0;
    nextChunk_ = kFirstChunk;
    reserved_ = 0;
    live_ = 0;
}

void TextArena::adopt(TextArena&& other)
{
    if (other.chunks_.empty())
        return;
    const char* otherCurrent = other.current_ ? other.current_->bytes.get() : nullptr;
    Chunk* previous = current_;
    for (Chunk& chunk : other.chunks_) {
        if (!chunk.bytes)
            continue;
        chunks_.push_back(std::move(chunk));
        if (chunks_.back().bytes.get() == otherCurrent)
            current_ = &chunks_.back();
    }
    reserved_ += other.reserved_;
    live_ += other.live_;
    if (otherCurrent) {
        cursor_ = other.cursor_;
        left_ = other.left_;
        nextChunk_ = std::max(nextChunk_, other.nextChunk_);
        if (previous && previous != current_) {
            freeIfUnused(*previous);
            dropFreedChunksAtFront();
        }
    }
    other.clear();
}

} // namespace quendal
