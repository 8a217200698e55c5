// A plug-in library loaded by the host: found by path, its two entry points looked up by name.
#pragma once

#include "veltrix/VeltrixPlugIn.h"

#include <memory>
#include <string>

namespace host {

class CPlugInLibrary {
public:
    // Loads the library, finds VeltrixPlugInInit and VeltrixPlugInExit and calls Init. Nothing,
    // with a message, when any of it fails (an exception from Init included), and when the
    // plug-in reports another interface version than VeltrixPlugIn::kInterfaceVersion: then its
    // object is destroyed through Exit before the library is unloaded.
    static std::unique_ptr<CPlugInLibrary> Load(const std::string& path, std::string* error);

    // Calls Exit if it has not been called, then unloads the library.
    ~CPlugInLibrary();
    CPlugInLibrary(const CPlugInLibrary&) = delete;
    CPlugInLibrary& operator=(const CPlugInLibrary&) = delete;

    // The plug-in object, owned by the library; nullptr after Exit.
    VeltrixPlugIn::CPlugIn* PlugIn() const { return m_pPlugIn; }
    // Calls VeltrixPlugInExit, once.
    void Exit();
    // The file that was loaded, links resolved.
    const std::string& File() const { return m_File; }

private:
    using InitFunction = void (*)(VeltrixPlugIn::CPlugIn**);
    using ExitFunction = void (*)();

    CPlugInLibrary() = default;

    void* m_Handle = nullptr;
    InitFunction m_Init = nullptr;
    ExitFunction m_Exit = nullptr;
    VeltrixPlugIn::CPlugIn* m_pPlugIn = nullptr;
    std::string m_File;
};

} // namespace host
