#include "FileNames.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace platform {
namespace {

std::filesystem::path PathOf(const std::string& name)
{
#ifdef _WIN32
    return std::filesystem::path(FileNameText(name).toStdWString());
#else
    return std::filesystem::path(name);
#endif
}

} // namespace

std::string FileNameBytes(const QString& name)
{
#ifdef _WIN32
    return name.toUtf8().toStdString();
#else
    return QFile::encodeName(name).toStdString();
#endif
}

QString FileNameText(std::string_view bytes)
{
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
#ifdef _WIN32
    return QString::fromUtf8(raw);
#else
    return QFile::decodeName(raw);
#endif
}

std::FILE* OpenFile(const std::string& name, const char* mode)
{
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return ::_wfopen(PathOf(name).c_str(), wideMode.c_str());
#else
    return std::fopen(name.c_str(), mode);
#endif
}

bool IsRegularFile(const std::string& name)
{
    std::error_code error;
    return std::filesystem::is_regular_file(PathOf(name), error);
}

} // namespace platform
