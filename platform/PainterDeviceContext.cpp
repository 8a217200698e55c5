#include "PainterDeviceContext.h"

#include "BitmapImage.h"

#include <QColor>
#include <QFontInfo>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QString>
#include <QStringList>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>

namespace platform {

namespace {

// The cell height of a font asked for with height 0, and of the context's own font.
constexpr int kDefaultCellHeight = 16;
// Fonts are realized no larger: a larger request keeps its cell height but not its glyphs.
constexpr int kGreatestPixelSize = 4096;
// Qt adds advances in 26.6 fixed point, which overflows past 2^25 pixels; texts are measured in
// pieces well under that, and short enough for Qt's layout to stay quick.
constexpr std::int64_t kGreatestPieceWidth = std::int64_t { 1 } << 22;
constexpr std::int64_t kGreatestPieceLength = 4096;

QColor ToQColor(Color c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QRect ToQRect(const Rect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// The pixel a fill of the colour leaves in a 32-bit image.
QRgb ToPixel(Color c)
{
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

// The fraction of the glyphs' drawing point below the whole pixel above it. Ascents are whole
// 64ths of a pixel, so this and the whole part add up exactly to the point the painter draws at.
qreal BelowPixel(qreal ascent)
{
    return std::ceil(ascent) - ascent;
}

// 8-bit text is shown as Latin-1: every byte is one character.
QString FromLatin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The requested face first; a face that is not installed falls back to Arial or a face with
// Arial's metrics ("Ariel", as the board spells it, is such a face), DejaVu Sans as last resort.
QFont BaseFont(const LogFont& request)
{
    QStringList families;
    if (!request.faceName.empty())
        families << FromLatin1(request.faceName);
    families << QStringLiteral("Arial") << QStringLiteral("Liberation Sans")
             << QStringLiteral("Arimo") << QStringLiteral("DejaVu Sans");
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    const int weight = request.weight == 0 ? 400 : std::clamp(request.weight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(request.italic);
    font.setUnderline(request.underline);
    font.setStrikeOut(request.strikeOut);
    // Widths add up, as on the desktop platform: whole-pixel (hinted) advances, no kerning, so
    // the extent of a text is the sum of its characters' extents.
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

} // namespace

// Fonts come in whole pixel sizes, whose cells grow in uneven steps. A cell height is met with
// the largest size whose cell fits in it; the cell is then the requested height, and the
// baseline sits where the face's own proportions put it in that cell.
CPainterFont::Realization CPainterFont::Realize(const LogFont& request)
{
    QFont font = BaseFont(request);
    auto cellAt = [&font](int pixels) {
        font.setPixelSize(pixels);
        return QFontMetrics(font).height();
    };

    if (request.height < 0) {
        font.setPixelSize(static_cast<int>(std::clamp(-std::int64_t { request.height },
            std::int64_t { 1 }, std::int64_t { kGreatestPixelSize })));
        const QFontMetrics sized(font);
        return { font, sized.height(), sized.ascent() };
    }

    const int target = request.height == 0 ? kDefaultCellHeight : request.height;
    int pixels = kGreatestPixelSize;
    if (target <= kGreatestPixelSize || cellAt(kGreatestPixelSize) > target) {
        pixels = std::max(1, static_cast<int>(std::int64_t { target } * target / cellAt(target)));
        pixels = std::min(pixels, kGreatestPixelSize);
        while (pixels > 1 && cellAt(pixels) > target)
            --pixels;
        while (pixels < kGreatestPixelSize && cellAt(pixels + 1) <= target)
            ++pixels;
    }
    font.setPixelSize(pixels);

    const QFontMetrics metrics(font);
    const int cell = std::max(target, metrics.height());
    const QFontMetricsF exact(font);
    const double share = exact.ascent() / std::max(1e-9, exact.ascent() + exact.descent());
    const int ascent = std::clamp(static_cast<int>(std::lround(cell * share)), metrics.ascent(),
        std::max(metrics.ascent(), cell - metrics.descent()));
    return { font, cell, ascent };
}

CPainterFont::CPainterFont(const LogFont& requested)
    : CPainterFont(requested, Realize(requested))
{
}

CPainterFont::CPainterFont(const LogFont& requested, Realization realized)
    : m_Requested(requested)
    , m_Font(std::move(realized.font))
    , m_Metrics(m_Font)
    , m_CellHeight(realized.cellHeight)
    , m_Ascent(realized.ascent)
    , m_Hash(qHash(m_Font))
{
}

namespace {

bool SameRequest(const LogFont& a, const LogFont& b)
{
    auto fields = [](const LogFont& f) {
        return std::tie(f.height, f.width, f.escapement, f.orientation, f.weight, f.italic,
            f.underline, f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision, f.quality,
            f.pitchAndFamily, f.faceName);
    };
    return fields(a) == fields(b);
}

} // namespace

// The glyph runs come from the same one-line layout that drawing the line would use, so drawing
// them puts the same glyphs at the same positions.
CPainterTextCache::ShapedText& CPainterTextCache::Shape(
    const CPainterFont& font, const QString& text)
{
    TextKey key { font.Font(), font.Hash(), text };
    auto found = m_Texts.find(key);
    if (found == m_Texts.end()) {
        QTextLayout layout(text, font.Font());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        ShapedText shaped;
        shaped.runs = layout.glyphRuns();
        shaped.width = qRound(line.horizontalAdvance());
        shaped.ascent = line.ascent();
        found = m_Texts.insert(std::move(key), Shaped { std::move(shaped), m_Refresh });
    } else if (found->used != m_Refresh) {
        found->shaped.drawnBefore = true;
    }
    found->used = m_Refresh;
    return found->shaped;
}

const CPainterFont& CPainterTextCache::Font(const LogFont& request)
{
    auto found = std::find_if(m_Fonts.begin(), m_Fonts.end(), [&request](const Realized& realized) {
        return SameRequest(realized.font->Requested(), request);
    });
    if (found == m_Fonts.end())
        found
            = m_Fonts.insert(m_Fonts.end(), { std::make_unique<CPainterFont>(request), m_Refresh });
    found->used = m_Refresh;
    return *found->font;
}

void CPainterTextCache::EndRefresh()
{
    const unsigned ended = m_Refresh++;
    m_Texts.removeIf([ended](const auto& entry) { return entry.value().used != ended; });
    std::erase_if(m_Fonts, [ended](const Realized& realized) { return realized.used != ended; });
    std::erase_if(m_Bitmaps, [ended](const StretchedBitmap& kept) { return kept.used != ended; });
}

std::size_t CPainterTextCache::TileCount() const
{
    std::size_t count = 0;
    for (const Shaped& text : m_Texts)
        count += text.shaped.tiles.size();
    return count;
}

const QImage& CPainterTextCache::Stretched(const QImage& image, const QRect& source, QSize size)
{
    auto found = std::find_if(m_Bitmaps.begin(), m_Bitmaps.end(), [&](const StretchedBitmap& kept) {
        return kept.from == source && kept.pixels.size() == size && kept.source == image;
    });
    if (found == m_Bitmaps.end()) {
        QImage pixels(size, QImage::Format_RGB32);
        QPainter painter(&pixels);
        painter.setRenderHints(painter.renderHints(), false);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRect(QPoint(0, 0), size), image, source);
        painter.end();
        found = m_Bitmaps.insert(m_Bitmaps.end(), { image, source, std::move(pixels), m_Refresh });
    }
    found->source = image; // the same pixels: later look-ups compare the image's data at once
    found->used = m_Refresh;
    return found->pixels;
}

// The scratch image leaves a cell's height and more on every side of the text, so that glyphs
// reaching out of their cell are still on it.
QPoint CPainterTextCache::DrawOnScratch(const ShapedText& shaped, const CPainterFont& font,
    QPainter::RenderHints hints, QRgb color, QRgb background)
{
    const int margin = font.CellHeight() + 8;
    const QSize size(shaped.width + 2 * margin, font.CellHeight() + 2 * margin);
    if (m_Scratch.size() != size)
        m_Scratch = QImage(size, QImage::Format_RGB32);
    m_Scratch.fill(background);
    QPainter painter(&m_Scratch);
    painter.setRenderHints(painter.renderHints(), false);
    painter.setRenderHints(hints, true);
    painter.setFont(font.Font());
    painter.setPen(QColor::fromRgb(color));
    const QPointF origin(margin, margin + BelowPixel(shaped.ascent));
    for (const QGlyphRun& run : shaped.runs)
        painter.drawGlyphRun(origin, run);
    return QPoint(margin, margin);
}

namespace {

// The smallest rectangle of pixels other than `background`.
QRect Differing(const QImage& image, QRgb background)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] != background) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

// White on black shows every pixel a glyph covers at all; one pixel more on every side is kept
// for what blending on another background might reach.
bool CPainterTextCache::FindInk(
    ShapedText& shaped, const CPainterFont& font, QPainter::RenderHints hints)
{
    if (shaped.ink != ShapedText::Ink::Unknown && shaped.inkHints == hints)
        return shaped.ink == ShapedText::Ink::Found;
    shaped.tiles.clear();
    shaped.inkHints = hints;
    const QRgb black = qRgb(0, 0, 0);
    const QPoint base = DrawOnScratch(shaped, font, hints, qRgb(255, 255, 255), black);
    const QRect ink = Differing(m_Scratch, black);
    if (ink.isEmpty()) {
        shaped.ink = ShapedText::Ink::Found;
        shaped.inkBox = QRect();
        return true;
    }
    const QRect box = ink.adjusted(-1, -1, 1, 1);
    if (!m_Scratch.rect().adjusted(1, 1, -1, -1).contains(box)) {
        shaped.ink = ShapedText::Ink::Unusable;
        return false;
    }
    shaped.ink = ShapedText::Ink::Found;
    shaped.inkBox = box.translated(-base);
    return true;
}

const CPainterTextCache::TextTile* CPainterTextCache::Tile(
    ShapedText& shaped, const CPainterFont& font, QRgb color, QRgb background)
{
    for (const TextTile& tile : shaped.tiles)
        if (tile.color == color && tile.background == background)
            return &tile;
    const QPoint base = DrawOnScratch(shaped, font, shaped.inkHints, color, background);
    const QRect box = shaped.inkBox.translated(base);
    const QRect drawn = Differing(m_Scratch, background);
    if (!box.contains(drawn)) {
        shaped.ink = ShapedText::Ink::Unusable;
        shaped.tiles.clear();
        return nullptr;
    }
    shaped.tiles.push_back({ color, background, m_Scratch.copy(box) });
    return &shaped.tiles.back();
}

// The painter's state is saved once for the context's life: the font, pen and clip a text needs
// are set when they change rather than saved and restored around every text.
CPainterDeviceContext::CPainterDeviceContext(
    QPainter& painter, CPainterTextCache* cache, Pixels pixels)
    : m_Painter(painter)
    , m_OwnCache(cache == nullptr ? std::make_unique<CPainterTextCache>() : nullptr)
    , m_Cache(cache == nullptr ? *m_OwnCache : *cache)
    , m_Hints(painter.renderHints())
    , m_OwnClip(painter.hasClipping())
{
    m_Painter.save();
    // The raster engine writes straight into the image's pixels and keeps nothing of them, so
    // writing them here between its own drawing gives what it would have given.
    QPaintEngine* engine = painter.paintEngine();
    if (pixels == Pixels::WhereSame && !m_OwnClip && painter.isActive() && engine != nullptr
        && engine->type() == QPaintEngine::Raster && engine->systemClip().isEmpty()
        && painter.device() != nullptr && painter.device()->devType() == QInternal::Image
        && painter.deviceTransform().isIdentity()
        && painter.compositionMode() == QPainter::CompositionMode_SourceOver
        && painter.opacity() == 1.0) {
        auto* image = static_cast<QImage*>(painter.device());
        // A shared image would be copied by bits(), leaving the painter on the other copy.
        if (image->format() == QImage::Format_RGB32 && image->devicePixelRatio() == 1.0
            && image->isDetached()) {
            m_Target = image;
            m_Bits = image->bits();
            m_Stride = image->bytesPerLine();
        }
    }
}

CPainterDeviceContext::~CPainterDeviceContext()
{
    m_Painter.restore();
    if (!m_OwnCache)
        m_Cache.EndRefresh();
}

void CPainterDeviceContext::Unclip()
{
    if (m_TextClip) {
        m_Painter.setClipping(false);
        m_TextClip = false;
    }
}

// One row is filled, in doubling copies, and the others are copies of it: the copies run at the
// width of the machine's vector registers.
void CPainterDeviceContext::FillDirect(QRect rect, Color color)
{
    rect &= QRect(0, 0, m_Target->width(), m_Target->height());
    if (rect.isEmpty())
        return;
    auto* first = reinterpret_cast<QRgb*>(m_Bits + rect.top() * m_Stride) + rect.left();
    const int count = rect.width();
    int filled = std::min(count, 16);
    std::fill_n(first, filled, ToPixel(color));
    while (filled < count) {
        const int more = std::min(filled, count - filled);
        std::memcpy(first + filled, first, static_cast<std::size_t>(more) * sizeof(QRgb));
        filled += more;
    }
    const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(QRgb);
    for (int y = rect.top() + 1; y <= rect.bottom(); ++y)
        std::memcpy(reinterpret_cast<QRgb*>(m_Bits + y * m_Stride) + rect.left(), first, bytes);
}

void CPainterDeviceContext::FillRect(const Rect& rect, Color brush)
{
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    if (m_Target != nullptr)
        return FillDirect(ToQRect(rect), brush);
    Unclip();
    m_Painter.fillRect(ToQRect(rect), ToQColor(brush));
}

int CPainterDeviceContext::SetBkMode(int mode)
{
    return std::exchange(m_BkMode, mode);
}

Color CPainterDeviceContext::SetBkColor(Color color)
{
    return std::exchange(m_BkColor, color);
}

Color CPainterDeviceContext::SetTextColor(Color color)
{
    return std::exchange(m_TextColor, color);
}

const CPen* CPainterDeviceContext::SelectPen(const CPen* pen)
{
    if (pen == nullptr)
        return nullptr;
    return std::exchange(m_Pen, pen);
}

const CFont* CPainterDeviceContext::StockFont()
{
    if (!m_StockFont) {
        LogFont stock;
        stock.height = kDefaultCellHeight;
        m_StockFont = std::make_unique<CPainterFont>(m_Cache.Font(stock));
    }
    return m_StockFont.get();
}

const CFont* CPainterDeviceContext::SelectFont(const CFont* font)
{
    if (font == nullptr)
        return nullptr;
    const CFont* previous = m_Font != nullptr ? m_Font : StockFont();
    m_Font = font;
    if (dynamic_cast<const CPainterFont*>(font) == nullptr)
        m_Adopted = std::make_unique<CPainterFont>(m_Cache.Font(font->Requested()));
    return previous;
}

const CPainterFont& CPainterDeviceContext::DrawingFont()
{
    const CFont* font = m_Font != nullptr ? m_Font : StockFont();
    if (const auto* own = dynamic_cast<const CPainterFont*>(font))
        return *own;
    return *m_Adopted;
}

void CPainterDeviceContext::MoveTo(int x, int y)
{
    m_Current = { x, y };
}

void CPainterDeviceContext::LineTo(int x, int y)
{
    const Point from = m_Current;
    const Point to { x, y };
    m_Current = to;
    if (from == to)
        return;

    const int width = std::max(1, m_Pen->width);
    const QColor color = ToQColor(m_Pen->color);
    // A band of `width` pixels across the line: one pixel each side for width 3.
    const int across = -(width - 1) / 2;
    auto fill = [&](const QRect& band) {
        if (m_Target != nullptr) {
            FillDirect(band, m_Pen->color);
        } else {
            Unclip();
            m_Painter.fillRect(band, color);
        }
    };

    if (from.y == to.y) {
        const int left = from.x < to.x ? from.x : to.x + 1;
        fill(QRect(left, to.y + across, std::abs(to.x - from.x), width));
        return;
    }
    if (from.x == to.x) {
        const int top = from.y < to.y ? from.y : to.y + 1;
        fill(QRect(to.x + across, top, width, std::abs(to.y - from.y)));
        return;
    }

    if (width == 1) {
        // Bresenham's walk, every pixel but the last.
        const int dx = std::abs(to.x - from.x);
        const int dy = -std::abs(to.y - from.y);
        const int sx = from.x < to.x ? 1 : -1;
        const int sy = from.y < to.y ? 1 : -1;
        int error = dx + dy;
        Point p = from;
        while (p != to) {
            fill(QRect(p.x, p.y, 1, 1));
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                p.x += sx;
            }
            if (twice <= dx) {
                error += dx;
                p.y += sy;
            }
        }
        return;
    }

    Unclip();
    m_Painter.save();
    m_Painter.setRenderHint(QPainter::Antialiasing, false);
    m_Painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    m_Painter.drawLine(QPointF(from.x + 0.5, from.y + 0.5), QPointF(to.x + 0.5, to.y + 0.5));
    m_Painter.restore();
}

void CPainterDeviceContext::DrawText(std::string_view text, const Rect& rect, unsigned format)
{
    if (rect.Width() <= 0 || rect.Height() <= 0 || text.empty())
        return;
    const CPainterFont& font = DrawingFont();
    // Shaped once, and kept: the glyphs that give the width to centre the text with are drawn.
    CPainterTextCache::ShapedText& shaped = m_Cache.Shape(font, FromLatin1(text));
    const int width = shaped.width;
    const int x
        = (format & kDrawTextCenter) != 0 ? rect.left + (rect.Width() - width) / 2 : rect.left;
    if (m_Target != nullptr) {
        if (m_BkMode == kOpaque)
            FillDirect(QRect(x, rect.top, width, font.CellHeight()) & ToQRect(rect), m_BkColor);
        if (DrawTextDirect(shaped, font, rect, x))
            return;
    }
    DrawTextByPainter(shaped, font, rect, x);
}

// A text the refreshes before did not draw is drawn by the painter: a text that is not drawn
// again (a time that changes every second) costs nothing more.
bool CPainterDeviceContext::DrawTextDirect(
    CPainterTextCache::ShapedText& shaped, const CPainterFont& font, const Rect& rect, int x)
{
    using Ink = CPainterTextCache::ShapedText::Ink;
    if (shaped.ink == Ink::Unusable || !shaped.drawnBefore)
        return false;
    if (!m_Cache.FindInk(shaped, font, m_Hints))
        return false;
    const int baseY = rect.top + font.Ascent() - static_cast<int>(std::ceil(shaped.ascent));
    const QRect box = shaped.inkBox.translated(x, baseY);
    const QRect region = box & ToQRect(rect) & m_Target->rect();
    if (region.isEmpty())
        return true; // nothing the glyphs touch is inside the rectangle
    const QRgb background
        = reinterpret_cast<const QRgb*>(m_Bits + region.top() * m_Stride)[region.left()];
    if (qAlpha(background) != 255)
        return false;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(m_Bits + y * m_Stride) + region.left();
        if (std::any_of(
                row, row + region.width(), [background](QRgb p) { return p != background; }))
            return false;
    }
    const CPainterTextCache::TextTile* tile
        = m_Cache.Tile(shaped, font, ToPixel(m_TextColor), background);
    if (tile == nullptr)
        return false;
    const QPoint from = region.topLeft() - box.topLeft();
    const std::size_t bytes = static_cast<std::size_t>(region.width()) * sizeof(QRgb);
    for (int y = 0; y < region.height(); ++y)
        std::memcpy(m_Bits + (region.top() + y) * m_Stride + region.left() * sizeof(QRgb),
            tile->pixels.constScanLine(from.y() + y) + from.x() * sizeof(QRgb), bytes);
    return true;
}

void CPainterDeviceContext::DrawTextByPainter(
    const CPainterTextCache::ShapedText& shaped, const CPainterFont& font, const Rect& rect, int x)
{
    // Font and pen first: the save of a clip the painter came with keeps them.
    if (!m_PainterFont || *m_PainterFont != font.Font()) {
        m_Painter.setFont(font.Font());
        m_PainterFont = font.Font();
    }
    if (!m_PainterTextColor || *m_PainterTextColor != m_TextColor) {
        m_Painter.setPen(ToQColor(m_TextColor));
        m_PainterTextColor = m_TextColor;
    }
    // A clip the painter came with stays: each text then cuts its own rectangle out of it.
    if (m_OwnClip) {
        m_Painter.save();
        m_Painter.setClipRect(ToQRect(rect), Qt::IntersectClip);
    } else {
        m_Painter.setClipRect(ToQRect(rect), Qt::ReplaceClip);
        m_TextClip = true;
    }
    if (m_BkMode == kOpaque)
        m_Painter.fillRect(
            QRect(x, rect.top, shaped.width, font.CellHeight()), ToQColor(m_BkColor));
    const QPointF origin(x, rect.top + font.Ascent() - shaped.ascent);
    for (const QGlyphRun& run : shaped.runs)
        m_Painter.drawGlyphRun(origin, run);
    if (m_OwnClip)
        m_Painter.restore();
}

// A text short enough is measured whole, as it is drawn; a longer one in pieces, added up wide
// and held to the int range.
Size CPainterDeviceContext::GetTextExtent(std::string_view text)
{
    const CPainterFont& font = DrawingFont();
    const QFontMetrics& metrics = font.Metrics();
    const std::size_t piece = static_cast<std::size_t>(std::clamp<std::int64_t>(
        kGreatestPieceWidth / std::max(1, metrics.maxWidth()), 1, kGreatestPieceLength));
    std::int64_t width = 0;
    for (std::size_t at = 0; at < text.size(); at += piece)
        width += metrics.horizontalAdvance(FromLatin1(text.substr(at, piece)));
    constexpr std::int64_t kGreatest = std::numeric_limits<int>::max();
    return { static_cast<int>(std::clamp(width, -kGreatest, kGreatest)), font.CellHeight() };
}

std::unique_ptr<CFont> CPainterDeviceContext::CreateFontIndirect(const LogFont& font)
{
    auto made = std::make_unique<CPainterFont>(m_Cache.Font(font));
    if (QFontInfo(made->Font()).family().isEmpty())
        return nullptr;
    return made;
}

void CPainterDeviceContext::StretchBlt(const Rect& dest, const CBitmap& bitmap, const Rect& source)
{
    if (dest.Width() <= 0 || dest.Height() <= 0 || source.Width() <= 0 || source.Height() <= 0)
        return;
    const QImage& image = BitmapImage(bitmap);
    const QRect from = ToQRect(source).intersected(image.rect());
    if (from.isEmpty() || StretchDirect(dest, image, from))
        return;
    Unclip();
    // Nearest pixel, whatever the painter's owner asked for; its hints are put back after.
    constexpr QPainter::RenderHints kSmooth
        = QPainter::SmoothPixmapTransform | QPainter::Antialiasing;
    const QPainter::RenderHints smooth = m_Painter.renderHints() & kSmooth;
    if (smooth)
        m_Painter.setRenderHints(kSmooth, false);
    m_Painter.drawImage(ToQRect(dest), image, from);
    if (smooth)
        m_Painter.setRenderHints(smooth, true);
}

// An opaque bitmap stretched onto a destination wholly inside the image is the same pixels
// wherever it lands: they are made once, by the painter, and copied.
bool CPainterDeviceContext::StretchDirect(const Rect& dest, const QImage& image, const QRect& from)
{
    const QRect to = ToQRect(dest);
    if (m_Target == nullptr || image.format() != QImage::Format_RGB32
        || !m_Target->rect().contains(to))
        return false;
    const QImage& pixels = m_Cache.Stretched(image, from, to.size());
    const std::size_t bytes = static_cast<std::size_t>(to.width()) * sizeof(QRgb);
    for (int y = 0; y < to.height(); ++y)
        std::memcpy(m_Bits + (to.top() + y) * m_Stride + to.left() * sizeof(QRgb),
            pixels.constScanLine(y), bytes);
    return true;
}

} // namespace platform
