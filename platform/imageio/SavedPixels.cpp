#include <imageio/SavedPixels.hpp>

#include <sys/mman.h>

namespace {

constexpr size_t largePage = size_t { 2 } << 20;
constexpr size_t alignment = 64;

size_t roundUp(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }

}

SavedPixelsArena::SavedPixelsArena(size_t capacity)
{
    // Address space only: pages are faulted in as the log first reaches them.
    size_t reserved = roundUp(capacity, largePage);
    void* block = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED)
        return;
    // Only a hint: without large pages, small ones hold the same bytes.
    ::madvise(block, reserved, MADV_HUGEPAGE);
    m_block = static_cast<uint8_t*>(block);
    m_capacity = reserved;
}

SavedPixelsArena::~SavedPixelsArena()
{
    if (m_block)
        ::munmap(m_block, m_capacity);
}

void* SavedPixelsArena::allocate(size_t bytes)
{
    size_t size = roundUp(bytes, alignment);
    if (!m_block || size > m_capacity - m_top)
        return nullptr;
    void* memory = m_block + m_top;
    m_top += size;
    ++m_live;
    return memory;
}

bool SavedPixelsArena::deallocate(void* memory, size_t bytes)
{
    auto* place = static_cast<uint8_t*>(memory);
    if (!m_block || place < m_block || place >= m_block + m_capacity)
        return false;
    size_t size = roundUp(bytes, alignment);
    if (place + size == m_block + m_top)
        m_top -= size;
    if (--m_live == 0)
        m_top = 0;
    return true;
}
