#include "SharedLibrary.h"

#include <cstdlib>
#include <dlfcn.h>

namespace host::shared_library {
namespace {

// A path without a slash would make dlopen search the system's library directories.
std::string OpenPath(const std::string& path)
{
    return path.find('/') == std::string::npos ? "./" + path : path;
}

} // namespace

void* Open(const std::string& path, std::string* reason)
{
    void* library = dlopen(OpenPath(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* text = dlerror();
        *reason = text != nullptr ? text : "unknown";
    }
    return library;
}

void* Symbol(void* library, const char* name)
{
    return dlsym(library, name);
}

void Close(void* library)
{
    dlclose(library);
}

std::string ResolvedPath(const std::string& path)
{
    char* real = realpath(OpenPath(path).c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

} // namespace host::shared_library
