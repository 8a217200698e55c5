#include "PlugInLibrary.h"

#include "SharedLibrary.h"
#include "veltrix/HostInterface.h"

#include <exception>
#include <string>

namespace host {

std::unique_ptr<CPlugInLibrary> CPlugInLibrary::Load(const std::string& path, std::string* error)
{
    std::unique_ptr<CPlugInLibrary> library(new CPlugInLibrary());
    std::string reason;
    library->m_Handle = shared_library::Open(path, &reason);
    if (library->m_Handle == nullptr) {
        *error = "cannot load plug-in " + path + ": " + reason;
        return nullptr;
    }
    library->m_File = shared_library::ResolvedPath(path);
    library->m_Init = reinterpret_cast<InitFunction>(
        shared_library::Symbol(library->m_Handle, "VeltrixPlugInInit"));
    library->m_Exit = reinterpret_cast<ExitFunction>(
        shared_library::Symbol(library->m_Handle, "VeltrixPlugInExit"));
    if (library->m_Init == nullptr || library->m_Exit == nullptr) {
        *error = "plug-in " + path + " does not export "
            + (library->m_Init == nullptr ? "VeltrixPlugInInit" : "VeltrixPlugInExit");
        return nullptr;
    }
    try {
        library->m_Init(&library->m_pPlugIn);
    } catch (const std::exception& e) {
        *error = "VeltrixPlugInInit of " + path + " failed: " + e.what();
        library->m_Exit = nullptr; // nothing was made that Exit could destroy
        return nullptr;
    } catch (...) {
        *error = "VeltrixPlugInInit of " + path + " failed with an exception";
        library->m_Exit = nullptr;
        return nullptr;
    }
    if (library->m_pPlugIn == nullptr) {
        *error = "VeltrixPlugInInit of " + path + " made no plug-in object";
        return nullptr;
    }
    // The version is read before anything else of the object is used: the base part, its slot 0
    // and the opaque state behind it are the same in every version, the rest may not be.
    const int version = VeltrixPlugIn::CHostAccess::Of(*library->m_pPlugIn).compatibility;
    if (version != VeltrixPlugIn::kInterfaceVersion) {
        *error = "plug-in " + path + " is built for interface version " + std::to_string(version)
            + ", but this host supports interface version "
            + std::to_string(VeltrixPlugIn::kInterfaceVersion) + " only";
        library->Exit(); // the plug-in destroys the object it made
        return nullptr;
    }
    return library;
}

CPlugInLibrary::~CPlugInLibrary()
{
    Exit();
    if (m_Handle != nullptr)
        shared_library::Close(m_Handle);
}

void CPlugInLibrary::Exit()
{
    if (m_pPlugIn == nullptr || m_Exit == nullptr)
        return;
    m_pPlugIn = nullptr;
    m_Exit();
}

} // namespace host
