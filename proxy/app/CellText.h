// A list cell's text in 16 bytes: up to 15 bytes in place, longer texts on the heap.
//
// Nearly every cell of the aircraft list (times, positions, numbers, ids) fits in place; at half
// the size of a std::string, a row of cells takes half the memory and half the cache lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <string_view>

class CCellText {
public:
    CCellText() noexcept { m_bytes[kTag] = 0; }
    CCellText(const CCellText& other);
    CCellText(CCellText&& other) noexcept;
    CCellText& operator=(const CCellText& other);
    CCellText& operator=(CCellText&& other) noexcept;
    ~CCellText() { Free(); }

    std::string_view view() const noexcept;
    operator std::string_view() const noexcept { return view(); }
    bool empty() const noexcept { return view().empty(); }

    // A text of 16 MiB or more keeps its first 16 MiB - 1 bytes: a list cell shows far less, and
    // a lookup file's absurd line must not stop the feed.
    void assign(std::string_view text)
    {
        if (text.size() <= kInPlace && !OnHeap()) { // nearly every cell, nearly every time
            std::memmove(m_bytes, text.data(), text.size());
            m_bytes[kTag] = static_cast<char>(text.size());
            return;
        }
        AssignSlow(text);
    }
    void clear() noexcept;

    friend bool operator==(const CCellText& a, std::string_view b) noexcept
    {
        return a.view() == b;
    }
    friend bool operator==(const CCellText& a, const CCellText& b) noexcept
    {
        return a.view() == b.view();
    }
    friend std::ostream& operator<<(std::ostream& out, const CCellText& text);

private:
    // Byte 15 is the length of a text in place, or kOnHeap. On the heap, bytes 0-7 hold the
    // buffer's address, 8-11 the length and 12-14 the buffer's capacity.
    static constexpr std::size_t kTag = 15;
    static constexpr unsigned char kOnHeap = 0xFF;
    static constexpr std::size_t kInPlace = 15;
    static constexpr std::size_t kMaxCapacity = 0xFFFFFF;

    bool OnHeap() const noexcept { return static_cast<unsigned char>(m_bytes[kTag]) == kOnHeap; }
    char* HeapData() const noexcept;
    std::size_t HeapSize() const noexcept;
    std::size_t HeapCapacity() const noexcept;
    void SetHeap(char* data, std::size_t size, std::size_t capacity) noexcept;
    void Free() noexcept;
    void AssignSlow(std::string_view text);

    alignas(8) char m_bytes[16];
};
