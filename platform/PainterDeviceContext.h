// The device context over a QPainter, for the window, an offscreen image or a snapshot.
//
// It keeps the pixel rules of the desktop platform the board was designed on, so that a grid laid
// out in whole pixels lands exactly where it was computed: rectangles exclude their right and
// bottom edges, lines exclude their end point, a positive font height is the font's cell height,
// text is top-aligned in its rectangle and clipped to it.
#pragma once

#include "DeviceContext.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace platform {

// A font of a painter context: the Qt font chosen for the request and the cell it occupies.
class CPainterFont final : public CFont {
public:
    // Chooses the face (the requested one, else an Arial-compatible sans) and the pixel size.
    explicit CPainterFont(const LogFont& requested);

    const LogFont& Requested() const override { return m_Requested; }
    const QFont& Font() const { return m_Font; }
    const QFontMetrics& Metrics() const { return m_Metrics; }
    // Height of a text line in pixels, and the distance from the line's top to the baseline.
    int CellHeight() const { return m_CellHeight; }
    int Ascent() const { return m_Ascent; }
    // The font's hash, computed once: texts are kept by font.
    size_t Hash() const { return m_Hash; }

private:
    struct Realization {
        QFont font;
        int cellHeight;
        int ascent;
    };
    static Realization Realize(const LogFont& request);
    CPainterFont(const LogFont& requested, Realization realized);

    LogFont m_Requested;
    QFont m_Font;
    QFontMetrics m_Metrics;
    int m_CellHeight = 0;
    int m_Ascent = 0;
    size_t m_Hash = 0;
};

// What painter contexts learn about fonts and texts that holds as long as the font does: the Qt
// font realized for each request, and the glyphs each text is shaped into with each font. A context
// keeps one for its own life; an owner that paints again and again (a window) hands the same one to
// every context it makes, so that the texts a board shows again are not shaped again. When a
// context ends, what it did not use is dropped, so the cache holds what the last refresh drew.
//
// Beside the glyphs it keeps finished pixels where they are the same wherever they land: a text
// drawn on a uniform background (blending depends only on the pixel under the glyph, its coverage
// and the colour) and a stretched opaque bitmap. A context that writes an image's pixels itself
// copies them instead of having Qt blend or scale again.
class CPainterTextCache {
public:
    // A text drawn in one colour on one uniform background: the pixels of its ink box.
    struct TextTile {
        QRgb color;
        QRgb background;
        QImage pixels;
    };
    struct ShapedText {
        QList<QGlyphRun> runs; // positions from the layout's top left corner
        int width = 0; // the advance, rounded as the centring uses it
        qreal ascent = 0; // the layout line's ascent
        // Every pixel the glyphs can touch, from the whole pixel above the point the glyphs are
        // drawn from; looked for when a later refresh draws the text again, for its hints.
        enum class Ink { Unknown, Found, Unusable };
        Ink ink = Ink::Unknown;
        QRect inkBox;
        QPainter::RenderHints inkHints;
        bool drawnBefore = false; // by an earlier refresh
        std::vector<TextTile> tiles; // for inkHints
    };

    ShapedText& Shape(const CPainterFont& font, const QString& text);
    // The font realized for the request; the first time it is made.
    const CPainterFont& Font(const LogFont& request);
    // Drops what was not used since the last call.
    void EndRefresh();
    std::size_t TextCount() const { return static_cast<std::size_t>(m_Texts.size()); }
    // The texts kept as pixels, in any colour on any background.
    std::size_t TileCount() const;

    // The source rectangle of an opaque image stretched to `size` as the painter stretches it.
    const QImage& Stretched(const QImage& image, const QRect& source, QSize size);

    // Finds the text's ink box for the hints; false when it cannot be found, and then the text is
    // always drawn by the painter.
    bool FindInk(ShapedText& shaped, const CPainterFont& font, QPainter::RenderHints hints);
    // The text's pixels in the colour on the background; nullptr when the glyphs turn out to
    // reach past the ink box (which makes the text one the painter draws).
    const TextTile* Tile(ShapedText& shaped, const CPainterFont& font, QRgb color, QRgb background);

private:
    struct TextKey {
        QFont font;
        size_t fontHash;
        QString text;
        bool operator==(const TextKey& other) const
        {
            return text == other.text && font == other.font;
        }
        friend size_t qHash(const TextKey& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.text, key.fontHash);
        }
    };
    struct Shaped {
        ShapedText shaped;
        unsigned used;
    };
    struct Realized {
        std::unique_ptr<CPainterFont> font;
        unsigned used;
    };
    struct StretchedBitmap {
        QImage source; // compared by content: a bitmap is loaded anew at every refresh
        QRect from;
        QImage pixels;
        unsigned used;
    };
    // Draws the text onto the scratch image filled with `background`; returns where the whole
    // pixel above the glyphs' drawing point lies.
    QPoint DrawOnScratch(const ShapedText& shaped, const CPainterFont& font,
        QPainter::RenderHints hints, QRgb color, QRgb background);

    QHash<TextKey, Shaped> m_Texts;
    std::vector<Realized> m_Fonts;
    std::vector<StretchedBitmap> m_Bitmaps;
    QImage m_Scratch;
    unsigned m_Refresh = 0;
};

class CPainterDeviceContext final : public CDeviceContext {
public:
    // The painter must be active on a widget or an image for the life of the context. The
    // context leaves the painter's own pen, brush, font, clip and hints as it found them. A cache
    // the owner keeps must outlive the context; without one the context keeps its own.
    //
    // On an image of 32-bit pixels painted without transformation, clip, opacity or another
    // composition mode the context writes fills and copies kept pixels itself, which gives the
    // same pixels as the painter would; `ByPainter` makes it leave everything to the painter.
    enum class Pixels { WhereSame, ByPainter };
    explicit CPainterDeviceContext(
        QPainter& painter, CPainterTextCache* cache = nullptr, Pixels pixels = Pixels::WhereSame);
    ~CPainterDeviceContext() override;
    CPainterDeviceContext(const CPainterDeviceContext&) = delete;
    CPainterDeviceContext& operator=(const CPainterDeviceContext&) = delete;

    void FillRect(const Rect& rect, Color brush) override;
    int SetBkMode(int mode) override;
    Color SetBkColor(Color color) override;
    Color SetTextColor(Color color) override;
    const CPen* SelectPen(const CPen* pen) override;
    // A font made by another kind of context is drawn with a font made here from its request.
    const CFont* SelectFont(const CFont* font) override;
    void MoveTo(int x, int y) override;
    // Horizontal and vertical lines are exact for any width. Other lines are exact for one-pixel
    // pens; wider ones are drawn by Qt with flat ends and may differ by a pixel at the ends.
    void LineTo(int x, int y) override;
    void DrawText(std::string_view text, const Rect& rect, unsigned format) override;
    Size GetTextExtent(std::string_view text) override;
    // nullptr only when the machine has no font at all.
    std::unique_ptr<CFont> CreateFontIndirect(const LogFont& font) override;
    void StretchBlt(const Rect& dest, const CBitmap& bitmap, const Rect& source) override;

private:
    const CPainterFont& DrawingFont();
    const CFont* StockFont();
    // Lifts the clip the last text left, before anything else is drawn.
    void Unclip();
    // Where the context writes the image's pixels itself: fills a rectangle (cut to the image).
    void FillDirect(QRect rect, Color color);
    // Draws a text from kept pixels where it lands on a uniform background; false when it must
    // be drawn by the painter.
    bool DrawTextDirect(
        CPainterTextCache::ShapedText& shaped, const CPainterFont& font, const Rect& rect, int x);
    void DrawTextByPainter(const CPainterTextCache::ShapedText& shaped, const CPainterFont& font,
        const Rect& rect, int x);
    bool StretchDirect(const Rect& dest, const QImage& image, const QRect& from);

    QPainter& m_Painter;
    std::unique_ptr<CPainterTextCache> m_OwnCache; // when the owner keeps none
    CPainterTextCache& m_Cache;
    int m_BkMode = kOpaque;
    Color m_BkColor = Rgb(255, 255, 255);
    Color m_TextColor = Rgb(0, 0, 0);
    CPen m_StockPen;
    const CPen* m_Pen = &m_StockPen;
    std::unique_ptr<CPainterFont> m_StockFont; // made when first needed
    const CFont* m_Font = nullptr; // nullptr: the stock font
    std::unique_ptr<CPainterFont> m_Adopted; // stands in for a selected font made elsewhere
    Point m_Current;

    QImage* m_Target = nullptr; // the image whose pixels the context writes itself, if any
    uchar* m_Bits = nullptr;
    qsizetype m_Stride = 0;
    QPainter::RenderHints m_Hints;

    // What the painter holds, so that it is set only when it changes.
    const bool m_OwnClip; // the painter came with a clip of its own
    bool m_TextClip = false; // the painter is clipped to the last text's rectangle
    std::optional<QFont> m_PainterFont; // a copy: a font freed and made anew is told apart
    std::optional<Color> m_PainterTextColor;
};

} // namespace platform
