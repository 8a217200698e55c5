// Aerodrome reference positions, for the distance from an aircraft to its destination.
//
// File format: one aerodrome a line, "ICAO LATITUDE LONGITUDE", separated by blanks, tabs or
// commas; each coordinate in decimal degrees (47.4369) or in the sector-file form
// (N047.26.13.000). Lines starting with '#' or ';' and blank lines are ignored. A malformed line
// is reported and skipped; a code given twice keeps its later position.
#pragma once

#include "veltrix/VeltrixPlugIn.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class CAirportTable {
public:
    // Parses the text of an airports file; problems are appended to `warnings` as "LINE: message".
    static CAirportTable Parse(std::string_view text, std::vector<std::string>* warnings);
    static std::optional<CAirportTable> Load(
        const std::string& path, std::string* error, std::vector<std::string>* warnings);

    void Add(std::string_view code, const VeltrixPlugIn::CPosition& position);
    // The aerodrome's position; codes compare without regard to ASCII case.
    std::optional<VeltrixPlugIn::CPosition> Find(std::string_view code) const;
    std::size_t Size() const { return m_Positions.size(); }

private:
    std::map<std::string, VeltrixPlugIn::CPosition, std::less<>> m_Positions; // upper-case codes
};

} // namespace host
