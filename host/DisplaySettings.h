// The settings of one display, as GetDataFromAsr hands them to the screen.
//
// File format: one KEY:VALUE entry per line, split at the first colon. The key loses the blanks
// around it; the value is kept as written up to its last non-blank character. Lines starting
// with ';' and blank lines are ignored. A line without a colon or with an empty key is reported
// and skipped; a key given twice is reported and the later value holds.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class CDisplaySettings {
public:
    // Parses the text of a settings file; problems are appended to `warnings` as
    // "LINE: message".
    static CDisplaySettings Parse(std::string_view text, std::vector<std::string>* warnings);
    // Reads and parses a file; nothing, with a message in `error`, when it cannot be read.
    static std::optional<CDisplaySettings> Load(
        const std::string& path, std::string* error, std::vector<std::string>* warnings);

    // The value of the key (exact, case-sensitive), or nullptr when the key is absent. The
    // pointer stays valid as long as the settings live.
    const char* Find(std::string_view key) const;
    std::size_t Size() const { return m_Values.size(); }

private:
    std::map<std::string, std::string, std::less<>> m_Values;
};

} // namespace host
