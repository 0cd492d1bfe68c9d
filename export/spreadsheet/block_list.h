#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// A list filled at its end and walked from its start, kept in blocks: a walk that is done
// with the front lets it go block by block, so a list taken over into another never stands
// whole beside it.
template <class T> class TfrBlockList {
public:
    void push_back(const T &value)
    {
        if (m_size % kBlock == 0)
            m_blocks.push_back(std::make_unique<T[]>(kBlock));
        m_blocks.back()[m_size++ % kBlock] = value;
    }
    T &operator[](size_t i) { return m_blocks[i / kBlock][i % kBlock]; }
    const T &operator[](size_t i) const { return m_blocks[i / kBlock][i % kBlock]; }
    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear()
    {
        m_blocks.clear();
        m_blocks.shrink_to_fit();
        m_size = 0;
        m_released = 0;
    }
    // The entries before i are not read again.
    void releaseBefore(size_t i)
    {
        for (; m_released < i / kBlock && m_released < m_blocks.size(); ++m_released)
            m_blocks[m_released].reset();
    }

private:
    static constexpr size_t kBlock = 1 << 14;
    std::vector<std::unique_ptr<T[]>> m_blocks;
    size_t m_size = 0;
    size_t m_released = 0; // blocks let go at the front
};
