#include "PainterDeviceContext.h"

#include "BitmapImage.h"

#include <QColor>
#include <QFontInfo>
#include <QPainter>
#include <QPen>
#include <QString>
#include <QStringList>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>

namespace platform {

namespace {

// The cell height of a font asked for with height 0, and of the context's own font.
constexpr int kDefaultCellHeight = 16;

QColor ToQColor(Color c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

QRect ToQRect(const Rect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
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
        font.setPixelSize(std::max(1, -request.height));
        const QFontMetrics sized(font);
        return { font, sized.height(), sized.ascent() };
    }

    const int target = request.height == 0 ? kDefaultCellHeight : request.height;
    int pixels = std::max(1, target * target / std::max(1, cellAt(target)));
    while (pixels > 1 && cellAt(pixels) > target)
        --pixels;
    while (pixels < 4 * target && cellAt(pixels + 1) <= target)
        ++pixels;
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
const CPainterTextCache::ShapedText& CPainterTextCache::Shape(
    const CPainterFont& font, const QString& text)
{
    TextKey key { font.Font(), font.Hash(), text };
    auto found = m_Texts.find(key);
    if (found == m_Texts.end()) {
        QTextLayout layout(text, font.Font());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        ShapedText shaped { layout.glyphRuns(), qRound(line.horizontalAdvance()), line.ascent() };
        found = m_Texts.insert(std::move(key), Shaped { std::move(shaped), m_Refresh });
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
}

// The painter's state is saved once for the context's life: the font, pen and clip a text needs
// are set when they change rather than saved and restored around every text.
CPainterDeviceContext::CPainterDeviceContext(QPainter& painter, CPainterTextCache* cache)
    : m_Painter(painter)
    , m_OwnCache(cache == nullptr ? std::make_unique<CPainterTextCache>() : nullptr)
    , m_Cache(cache == nullptr ? *m_OwnCache : *cache)
    , m_OwnClip(painter.hasClipping())
{
    m_Painter.save();
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

void CPainterDeviceContext::FillRect(const Rect& rect, Color brush)
{
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
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
    Unclip();

    const int width = std::max(1, m_Pen->width);
    const QColor color = ToQColor(m_Pen->color);
    // A band of `width` pixels across the line: one pixel each side for width 3.
    const int across = -(width - 1) / 2;

    if (from.y == to.y) {
        const int left = from.x < to.x ? from.x : to.x + 1;
        m_Painter.fillRect(QRect(left, to.y + across, std::abs(to.x - from.x), width), color);
        return;
    }
    if (from.x == to.x) {
        const int top = from.y < to.y ? from.y : to.y + 1;
        m_Painter.fillRect(QRect(to.x + across, top, width, std::abs(to.y - from.y)), color);
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
            m_Painter.fillRect(QRect(p.x, p.y, 1, 1), color);
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
    const CPainterTextCache::ShapedText& shaped = m_Cache.Shape(font, FromLatin1(text));
    const int width = shaped.width;
    const int x
        = (format & kDrawTextCenter) != 0 ? rect.left + (rect.Width() - width) / 2 : rect.left;

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
        m_Painter.fillRect(QRect(x, rect.top, width, font.CellHeight()), ToQColor(m_BkColor));
    const QPointF origin(x, rect.top + font.Ascent() - shaped.ascent);
    for (const QGlyphRun& run : shaped.runs)
        m_Painter.drawGlyphRun(origin, run);
    if (m_OwnClip)
        m_Painter.restore();
}

Size CPainterDeviceContext::GetTextExtent(std::string_view text)
{
    const CPainterFont& font = DrawingFont();
    return { font.Metrics().horizontalAdvance(FromLatin1(text)), font.CellHeight() };
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
    if (from.isEmpty())
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

} // namespace platform
