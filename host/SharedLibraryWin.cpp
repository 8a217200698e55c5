#include "SharedLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <windows.h>

namespace host::shared_library {
namespace {

std::wstring WidePath(const std::string& path)
{
    return QDir::toNativeSeparators(QFileInfo(QString::fromStdString(path)).absoluteFilePath())
        .toStdWString();
}

std::string SystemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message;
    if (length > 0 && text != nullptr)
        message
            = QString::fromWCharArray(text, static_cast<qsizetype>(length)).trimmed().toStdString();
    ::LocalFree(text);
    return message.empty() ? "error " + std::to_string(error) : message;
}

} // namespace

void* Open(const std::string& path, std::string* reason)
{
    // The library's own folder first for the libraries it needs (the ones beside it), and no
    // error box of the system's: the host reports the failure itself.
    const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = ::LoadLibraryExW(WidePath(path).c_str(), nullptr,
        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    const DWORD error = ::GetLastError();
    ::SetErrorMode(previous);
    if (library == nullptr)
        *reason = SystemMessage(error);
    return reinterpret_cast<void*>(library);
}

void* Symbol(void* library, const char* name)
{
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

void Close(void* library)
{
    ::FreeLibrary(static_cast<HMODULE>(library));
}

std::string ResolvedPath(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    const QString canonical = info.canonicalFilePath();
    return (canonical.isEmpty() ? info.absoluteFilePath() : canonical).toStdString();
}

} // namespace host::shared_library
