// A shared library opened by path, its symbols looked up by name: dlopen on POSIX systems,
// LoadLibraryExW on Windows.
#pragma once

#include <string>

namespace host::shared_library {

// Opens the library at `path` (never searched for elsewhere); nullptr with the system's reason.
void* Open(const std::string& path, std::string* reason);
// The address of an exported symbol, or nullptr.
void* Symbol(void* library, const char* name);
void Close(void* library);
// The path as the system resolves it (links followed, made absolute), or the path itself.
std::string ResolvedPath(const std::string& path);

} // namespace host::shared_library
