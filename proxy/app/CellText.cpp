#include "CellText.h"

#include <cstring>
#include <ostream>

CCellText::CCellText(const CCellText& other)
    : CCellText()
{
    assign(other.view());
}

CCellText::CCellText(CCellText&& other) noexcept
{
    std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
    other.m_bytes[kTag] = 0;
}

CCellText& CCellText::operator=(const CCellText& other)
{
    if (this != &other)
        assign(other.view());
    return *this;
}

CCellText& CCellText::operator=(CCellText&& other) noexcept
{
    if (this != &other) {
        Free();
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.m_bytes[kTag] = 0;
    }
    return *this;
}

std::string_view CCellText::view() const noexcept
{
    if (OnHeap())
        return { HeapData(), HeapSize() };
    return { m_bytes, static_cast<unsigned char>(m_bytes[kTag]) };
}

void CCellText::AssignSlow(std::string_view text)
{
    text = text.substr(0, kMaxCapacity);
    if (OnHeap() && text.size() <= HeapCapacity()) {
        // A long text that stays long (a position far south or west) keeps its buffer.
        char* data = HeapData();
        std::memmove(data, text.data(), text.size());
        SetHeap(data, text.size(), HeapCapacity());
        return;
    }
    // Short texts into an empty or short cell went in place in assign; a cell on the heap stays
    // there until it is cleared.
    char* data = new char[text.size()];
    std::memcpy(data, text.data(), text.size());
    Free();
    SetHeap(data, text.size(), text.size());
}

void CCellText::clear() noexcept
{
    Free();
    m_bytes[kTag] = 0;
}

std::ostream& operator<<(std::ostream& out, const CCellText& text)
{
    return out << text.view();
}

char* CCellText::HeapData() const noexcept
{
    char* data;
    std::memcpy(&data, m_bytes, sizeof data);
    return data;
}

std::size_t CCellText::HeapSize() const noexcept
{
    std::uint32_t size;
    std::memcpy(&size, m_bytes + 8, sizeof size);
    return size;
}

std::size_t CCellText::HeapCapacity() const noexcept
{
    const auto* b = reinterpret_cast<const unsigned char*>(m_bytes);
    return std::size_t { b[12] } | std::size_t { b[13] } << 8 | std::size_t { b[14] } << 16;
}

void CCellText::SetHeap(char* data, std::size_t size, std::size_t capacity) noexcept
{
    std::memcpy(m_bytes, &data, sizeof data);
    const auto size32 = static_cast<std::uint32_t>(size);
    std::memcpy(m_bytes + 8, &size32, sizeof size32);
    m_bytes[12] = static_cast<char>(capacity & 0xFF);
    m_bytes[13] = static_cast<char>(capacity >> 8 & 0xFF);
    m_bytes[14] = static_cast<char>(capacity >> 16 & 0xFF);
    m_bytes[kTag] = static_cast<char>(kOnHeap);
}

void CCellText::Free() noexcept
{
    if (OnHeap()) {
        delete[] HeapData();
        m_bytes[kTag] = 0;
    }
}
