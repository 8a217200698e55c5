// File names as the programs' 8-bit texts carry them (a typed recording name, a command-line
// argument): the system's own bytes on POSIX systems; UTF-8 on Windows, whose 8-bit code page
// cannot name every file. Files named so are opened through these.
#pragma once

#include <QString>

#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

std::string FileNameBytes(const QString& name);
QString FileNameText(std::string_view bytes);

// std::fopen and std::filesystem::is_regular_file of such a name.
std::FILE* OpenFile(const std::string& name, const char* mode);
bool IsRegularFile(const std::string& name);

} // namespace platform
