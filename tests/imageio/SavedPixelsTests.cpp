#include <imageio/SavedPixels.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// Catches an arena that hands the same memory out twice, loses what is freed at its top, or
// takes back memory it never gave.
TEST(SavedPixelsArena, HandsOutUpwardsAndTakesBackFromTheTop)
{
    SavedPixelsArena arena(1 << 20);
    auto* first = static_cast<uint8_t*>(arena.allocate(1000));
    auto* second = static_cast<uint8_t*>(arena.allocate(5000));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_GE(second, first + 1000);

    // Freed at the top: the next buffer takes its place.
    EXPECT_TRUE(arena.deallocate(second, 5000));
    EXPECT_EQ(arena.allocate(5000), second);

    // Freed below the top: kept until everything is freed, then the whole block is there again.
    EXPECT_TRUE(arena.deallocate(first, 1000));
    EXPECT_NE(arena.allocate(1000), first);
    int onHeap = 0;
    EXPECT_FALSE(arena.deallocate(&onHeap, sizeof onHeap));
}

TEST(SavedPixelsArena, EmptiedArenaStartsAgainAndAFullOneGivesNothing)
{
    SavedPixelsArena arena(2 << 20);
    void* first = arena.allocate(100);
    void* second = arena.allocate(100);
    arena.deallocate(first, 100);
    arena.deallocate(second, 100);
    EXPECT_EQ(arena.allocate(100), first);

    EXPECT_EQ(arena.allocate(size_t { 4 } << 20), nullptr);
    EXPECT_EQ(SavedPixelsArena(0).allocate(1), nullptr);
}

// Catches buffers that copy their pixels when they move between a decoder's members, or that
// give arena memory to the heap (the sanitizers see that) when the arena is full.
TEST(SavedPixelsArena, BuffersMoveWithTheirMemoryAndOverflowToTheHeap)
{
    SavedPixelsArena arena(2 << 20);
    SavedPixelsAllocator<uint8_t> fromArena(&arena);
    SavedPixels saved(fromArena);
    saved.resize(3000);
    const uint8_t* memory = saved.data();
    SavedPixels kept;
    kept = std::move(saved);
    EXPECT_EQ(kept.data(), memory);
    EXPECT_EQ(kept.get_allocator(), fromArena);

    SavedPixels filling(fromArena);
    filling.resize((2 << 20) - 4096);
    SavedPixels overflow(fromArena);
    overflow.resize(100000);
    overflow.back() = 7;
    EXPECT_EQ(overflow.back(), 7);
    overflow = SavedPixels();
    filling = SavedPixels();
    kept = SavedPixels();
    EXPECT_NE(arena.allocate(size_t { 2 } << 20), nullptr);
}
