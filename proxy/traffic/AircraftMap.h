// The live aircraft records keyed by hex id: a standard hash map that owns them and gives their
// order, and an index beside it that finds them.
#pragma once

#include "TrackedAircraft.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Hashes std::string and std::string_view alike, so that an id from a split line is hashed
// without building a std::string from it (the index's long ids, the map's own erase by id). The
// hash is std::hash's, so the map's buckets and its iteration order are those of a map keyed by
// std::string with the standard hash.
//
// noexcept, so the standard library keeps no hash in the node: it would sit after the record, a
// cache line a look-up must fetch on top of the key's. Hashing a short hex id again when the
// table grows costs less.
struct CTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept
    {
        return std::hash<std::string_view> {}(text);
    }
};

// Hex id (case-sensitive, exactly as received) to the record.
//
// The records live in the nodes of a std::unordered_map, next to their keys; nodes do not move, so
// a record's address holds until the record is erased. Iterating gives the map's order, which is
// the order of the position broadcast and the status page: it stays that of a map keyed by
// std::string with the standard hash.
//
// Finding goes through an index of its own: a flat open-addressing array (linear probing, at most
// four fifths full, so that 50,000 aircraft fit in 1 MiB) of {key word, node}. A hex id of up to 7
// bytes (they have 6) is its own key word, so a look-up compares it within the index and goes to
// memory once more only for the record itself. With tens of thousands of aircraft the map's own
// look-up waits on memory three times in a row (its bucket, the node before the wanted one, the
// node's key). Longer ids are found by their hash and compared in the node.
class CAircraftMap {
public:
    using Map = std::unordered_map<std::string, CTrackedAircraft, CTextHash, std::equal_to<>>;
    using value_type = Map::value_type;
    using iterator = Map::iterator;
    using const_iterator = Map::const_iterator;

    CAircraftMap();
    CAircraftMap(const CAircraftMap&) = delete; // the index points into this map's nodes
    CAircraftMap& operator=(const CAircraftMap&) = delete;

    iterator begin() noexcept { return m_map.begin(); }
    iterator end() noexcept { return m_map.end(); }
    const_iterator begin() const noexcept { return m_map.begin(); }
    const_iterator end() const noexcept { return m_map.end(); }
    std::size_t size() const noexcept { return m_map.size(); }
    bool empty() const noexcept { return m_map.empty(); }

    // The record of this hex id, or nullptr.
    CTrackedAircraft* Find(std::string_view hexId) noexcept;
    const CTrackedAircraft* Find(std::string_view hexId) const noexcept;

    // Adds the record under this hex id unless the id is there already; returns the record kept
    // and whether it is the new one. If memory runs out, throws std::bad_alloc with nothing
    // changed. The hex id may be the record's own: the record is moved only once the key is copied.
    std::pair<CTrackedAircraft*, bool> Insert(std::string_view hexId, CTrackedAircraft&& record);

    // Removes a record; returns the position after it in the map's order.
    iterator Erase(const_iterator position) noexcept;
    // Removes the record of this hex id; false if there was none.
    bool Erase(std::string_view hexId) noexcept;
    void Clear() noexcept;

private:
    struct Slot {
        std::uint64_t word = 0; // KeyWord of the key
        value_type* entry = nullptr; // nullptr marks a free slot
    };

    // A key of up to 7 bytes with its length in the top byte; a longer key's hash with 0xFF there.
    static std::uint64_t KeyWord(std::string_view key) noexcept;
    static bool IsShortKeyWord(std::uint64_t word) noexcept { return (word >> 56) != 0xFF; }
    std::size_t Home(std::uint64_t word) const noexcept;
    // The slot holding this key, or the free slot where the probe for it ended.
    std::size_t Probe(std::string_view key, std::uint64_t word) const noexcept;
    void Grow(); // doubles the index; throws std::bad_alloc with the old one kept
    void RemoveSlot(std::size_t i) noexcept;

    Map m_map;
    std::vector<Slot> m_slots; // empty, or a power of two in size
    unsigned m_shift = 64; // 64 - log2(m_slots.size())
    // Mixed into every slot position: ids picked to crowd one run of slots in one table do not
    // crowd in another.
    std::uint64_t m_seed = 0;
};
