#include "AircraftMap.h"

#include <bit>
#include <cstring>
#include <random>

CAircraftMap::CAircraftMap()
{
    try {
        m_seed = std::random_device {}();
        m_seed = m_seed << 32 | std::random_device {}();
    } catch (...) { // no entropy source: positions still spread, only predictably
        m_seed = 0x243F6A8885A308D3u;
    }
}

std::uint64_t CAircraftMap::KeyWord(std::string_view key) noexcept
{
    const std::size_t size = key.size();
    if (size > 7)
        return (CTextHash {}(key)&0x00FF'FFFF'FFFF'FFFFu) | 0xFF00'0000'0000'0000u;
    std::uint64_t word = std::uint64_t { size } << 56;
    if constexpr (std::endian::native == std::endian::little) {
        if (size >= 4) { // two overlapping loads; the bytes both hold land in the same place
            std::uint32_t low = 0, high = 0;
            std::memcpy(&low, key.data(), 4);
            std::memcpy(&high, key.data() + size - 4, 4);
            return word | low | (std::uint64_t { high } << (8 * (size - 4)));
        }
    }
    for (std::size_t i = 0; i < size; ++i)
        word |= std::uint64_t { static_cast<unsigned char>(key[i]) } << (8 * i);
    return word;
}

// The top bits of a multiplicative hash, after folding the high half in, so that every byte of
// the key counts whatever the index's size.
std::size_t CAircraftMap::Home(std::uint64_t word) const noexcept
{
    std::uint64_t x = word ^ m_seed;
    x ^= x >> 29;
    return static_cast<std::size_t>((x * 0x9E3779B97F4A7C15u) >> m_shift);
}

std::size_t CAircraftMap::Probe(std::string_view key, std::uint64_t word) const noexcept
{
    const std::size_t mask = m_slots.size() - 1;
    const bool shortKey = IsShortKeyWord(word);
    for (std::size_t i = Home(word);; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.entry == nullptr || (slot.word == word && (shortKey || slot.entry->first == key)))
            return i;
    }
}

CTrackedAircraft* CAircraftMap::Find(std::string_view hexId) noexcept
{
    if (m_slots.empty())
        return nullptr;
    const Slot& slot = m_slots[Probe(hexId, KeyWord(hexId))];
    if (slot.entry == nullptr)
        return nullptr;
    // The caller reads the record's first fields next: both lines they may span are fetched at
    // once rather than one after the other.
    const char* record = reinterpret_cast<const char*>(&slot.entry->second);
    __builtin_prefetch(record, 1);
    __builtin_prefetch(record + 63, 1);
    return &slot.entry->second;
}

const CTrackedAircraft* CAircraftMap::Find(std::string_view hexId) const noexcept
{
    return const_cast<CAircraftMap*>(this)->Find(hexId);
}

std::pair<CTrackedAircraft*, bool> CAircraftMap::Insert(
    std::string_view hexId, CTrackedAircraft&& record)
{
    const std::uint64_t word = KeyWord(hexId);
    if (!m_slots.empty()) {
        if (const Slot& slot = m_slots[Probe(hexId, word)]; slot.entry != nullptr)
            return { &slot.entry->second, false };
    }
    if ((m_map.size() + 1) * 5 > m_slots.size() * 4)
        Grow();
    value_type& entry = *m_map.emplace(std::string(hexId), std::move(record)).first;
    // From here on hexId may have moved with the record: the node's key stands for it.
    m_slots[Probe(entry.first, word)] = Slot { word, &entry };
    return { &entry.second, true };
}

void CAircraftMap::Grow()
{
    const std::size_t size = m_slots.empty() ? 16 : m_slots.size() * 2;
    std::vector<Slot> slots(size);
    std::swap(m_slots, slots);
    m_shift = 64 - static_cast<unsigned>(std::countr_zero(size));
    const std::size_t mask = size - 1;
    for (const Slot& slot : slots) {
        if (slot.entry == nullptr)
            continue;
        std::size_t i = Home(slot.word);
        while (m_slots[i].entry != nullptr)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

// Backward-shift deletion: the entries after the freed slot that probed past it move up, so that
// no probe ever stops short at a hole and no slot is left marked as deleted.
void CAircraftMap::RemoveSlot(std::size_t i) noexcept
{
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t j = (i + 1) & mask; m_slots[j].entry != nullptr; j = (j + 1) & mask) {
        // The entry at j may fill the hole at i if its home is not between the two.
        if (((j - Home(m_slots[j].word)) & mask) >= ((j - i) & mask)) {
            m_slots[i] = m_slots[j];
            i = j;
        }
    }
    m_slots[i] = Slot {};
}

CAircraftMap::iterator CAircraftMap::Erase(const_iterator position) noexcept
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = Home(KeyWord(position->first));
    while (m_slots[i].entry != &*position)
        i = (i + 1) & mask;
    RemoveSlot(i);
    return m_map.erase(position);
}

bool CAircraftMap::Erase(std::string_view hexId) noexcept
{
    if (m_slots.empty())
        return false;
    const std::size_t i = Probe(hexId, KeyWord(hexId));
    if (m_slots[i].entry == nullptr)
        return false;
    const value_type* entry = m_slots[i].entry;
    RemoveSlot(i);
    m_map.erase(m_map.find(entry->first));
    return true;
}

void CAircraftMap::Clear() noexcept
{
    m_map.clear();
    for (Slot& slot : m_slots)
        slot = Slot {};
}
