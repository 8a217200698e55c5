#include "BitmapImage.h"

#include <QString>

#include <utility>

namespace platform {
namespace {

std::unique_ptr<CBitmap::Pixels> PaintablePixels(QImage image)
{
    // Palette images (the 16-colour resources) would be converted at every paint otherwise.
    const auto wanted
        = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (!image.isNull() && image.format() != wanted)
        image = image.convertToFormat(wanted);
    return std::make_unique<CBitmap::Pixels>(CBitmap::Pixels { std::move(image) });
}

} // namespace

CBitmap::CBitmap(int id, std::unique_ptr<Pixels> pixels)
    : m_Id(id)
    , m_Pixels(pixels != nullptr ? std::move(pixels) : std::make_unique<Pixels>())
    , m_Size { m_Pixels->image.width(), m_Pixels->image.height() }
{
}

CBitmap::~CBitmap() = default;

CBitmap BitmapFromImage(int id, QImage image)
{
    return CBitmap(id, PaintablePixels(std::move(image)));
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
    return std::make_unique<CBitmap>(id, PaintablePixels(std::move(image)));
}

} // namespace platform
