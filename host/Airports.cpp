#include "Airports.h"

#include "Text.h"

#include <algorithm>

namespace host {

CAirportTable CAirportTable::Parse(std::string_view text, std::vector<std::string>* warnings)
{
    CAirportTable table;
    ForEachLine(text, [&](int number, std::string_view line) {
        line = Trim(line);
        if (line.empty() || line.front() == '#' || line.front() == ';')
            return;
        std::string spaced(line);
        std::replace(spaced.begin(), spaced.end(), ',', ' ');
        const std::vector<std::string_view> words = SplitWords(spaced);
        VeltrixPlugIn::CPosition position;
        const char* problem = nullptr;
        if (words.size() != 3)
            problem = "expected ICAO LATITUDE LONGITUDE";
        else if (!position.LoadFromStrings(
                     std::string(words[2]).c_str(), std::string(words[1]).c_str()))
            problem = "latitude or longitude not understood";
        if (problem != nullptr) {
            if (warnings != nullptr)
                warnings->push_back(std::to_string(number) + ": " + problem + ", line ignored");
            return;
        }
        table.Add(words[0], position);
    });
    return table;
}

std::optional<CAirportTable> CAirportTable::Load(
    const std::string& path, std::string* error, std::vector<std::string>* warnings)
{
    const std::optional<std::string> text = ReadTextFile(path, error);
    if (!text)
        return std::nullopt;
    return Parse(*text, warnings);
}

void CAirportTable::Add(std::string_view code, const VeltrixPlugIn::CPosition& position)
{
    m_Positions.insert_or_assign(AsciiUpper(code), position);
}

std::optional<VeltrixPlugIn::CPosition> CAirportTable::Find(std::string_view code) const
{
    const auto it = m_Positions.find(AsciiUpper(code));
    if (it == m_Positions.end())
        return std::nullopt;
    return it->second;
}

} // namespace host
