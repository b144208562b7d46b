// Pixels a GIF decoder saves from its canvas to put back later: what a step overwrote, or what
// a frame disposed of by restoring covered. They are always written before they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// One block of a decoder's own for the pixels it saves, given large pages: bought small, the
// pages of a log of steps cost more to fault in than to fill. Handed out from the bottom up and
// taken back from the top, the order in which the log grows and is undone; memory freed below
// the top is reused once everything has been freed.
class SavedPixelsArena {
public:
    explicit SavedPixelsArena(size_t capacity);
    ~SavedPixelsArena();
    SavedPixelsArena(const SavedPixelsArena&) = delete;
    SavedPixelsArena& operator=(const SavedPixelsArena&) = delete;

    // Null when the block has no room left above its top.
    void* allocate(size_t bytes);
    // False when the memory isn't from this arena.
    bool deallocate(void*, size_t bytes);

private:
    uint8_t* m_block { nullptr };
    size_t m_capacity { 0 };
    size_t m_top { 0 };
    size_t m_live { 0 };
};

// Takes memory from an arena when it has one and room, else from the heap. Growing a buffer
// leaves the new bytes uninitialised instead of zeroing what is about to be overwritten.
template<typename T>
struct SavedPixelsAllocator {
    using value_type = T;
    // Buffers move between a decoder's members and its log with their memory.
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;
    using is_always_equal = std::false_type;

    SavedPixelsAllocator() = default;
    explicit SavedPixelsAllocator(SavedPixelsArena* from)
        : arena(from)
    {
    }
    template<typename U>
    SavedPixelsAllocator(const SavedPixelsAllocator<U>& other) noexcept
        : arena(other.arena)
    {
    }

    T* allocate(size_t count)
    {
        if (arena) {
            if (void* memory = arena->allocate(count * sizeof(T)))
                return static_cast<T*>(memory);
        }
        return std::allocator<T>().allocate(count);
    }
    void deallocate(T* memory, size_t count)
    {
        if (!arena || !arena->deallocate(memory, count * sizeof(T)))
            std::allocator<T>().deallocate(memory, count);
    }
    template<typename U>
    void construct(U* place) noexcept
    {
        ::new (static_cast<void*>(place)) U;
    }
    template<typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments)
    {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
    template<typename U>
    bool operator==(const SavedPixelsAllocator<U>& other) const
    {
        return arena == other.arena;
    }

    SavedPixelsArena* arena { nullptr };
};

// Pixels of a canvas rectangle, row after row.
using SavedPixels = std::vector<uint8_t, SavedPixelsAllocator<uint8_t>>;
