#include "Bitmap.h"

#include <QString>

#include <utility>

namespace platform {

CBitmap::CBitmap(int id, QImage image)
    : m_Id(id)
    , m_Image(std::move(image))
{
    // Palette images (the 16-colour resources) would be converted at every paint otherwise.
    const auto wanted
        = m_Image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (!m_Image.isNull() && m_Image.format() != wanted)
        m_Image = m_Image.convertToFormat(wanted);
}

std::unique_ptr<CBitmap> CBitmap::LoadFromResource(std::string_view prefix, int id)
{
    while (!prefix.empty() && prefix.front() == '/')
        prefix.remove_prefix(1);
    while (!prefix.empty() && prefix.back() == '/')
        prefix.remove_suffix(1);
    QString path = QStringLiteral(":/");
    if (!prefix.empty())
        path += QString::fromUtf8(prefix.data(), static_cast<qsizetype>(prefix.size())) + u'/';
    path += QString::number(id) + QStringLiteral(".bmp");

    QImage image(path, "BMP");
    if (image.isNull())
        return nullptr;
    return std::make_unique<CBitmap>(id, std::move(image));
}

} // namespace platform
