#include "DisplaySettings.h"

#include "Text.h"

namespace host {

CDisplaySettings CDisplaySettings::Parse(std::string_view text, std::vector<std::string>* warnings)
{
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    CDisplaySettings settings;
    const auto warn = [warnings](int line, const std::string& message) {
        if (warnings != nullptr)
            warnings->push_back(std::to_string(line) + ": " + message);
    };
    ForEachLine(text, [&](int number, std::string_view line) {
        if (Trim(line).empty() || line.front() == ';')
            return;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            warn(number, "no ':' between key and value, line ignored");
            return;
        }
        const std::string key(Trim(line.substr(0, colon)));
        if (key.empty()) {
            warn(number, "empty key, line ignored");
            return;
        }
        const auto [it, inserted]
            = settings.m_Values.insert_or_assign(key, std::string(line.substr(colon + 1)));
        if (!inserted)
            warn(number, "key " + key + " given again; this value replaces the earlier one");
    });
    return settings;
}

std::optional<CDisplaySettings> CDisplaySettings::Load(
    const std::string& path, std::string* error, std::vector<std::string>* warnings)
{
    const std::optional<std::string> text = ReadTextFile(path, error);
    if (!text)
        return std::nullopt;
    return Parse(*text, warnings);
}

const char* CDisplaySettings::Find(std::string_view key) const
{
    const auto it = m_Values.find(key);
    return it == m_Values.end() ? nullptr : it->second.c_str();
}

} // namespace host
