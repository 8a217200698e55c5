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
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

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
class CPainterTextCache {
public:
    struct ShapedText {
        QList<QGlyphRun> runs; // positions from the layout's top left corner
        int width = 0; // the advance, rounded as the centring uses it
        qreal ascent = 0; // the layout line's ascent
    };

    const ShapedText& Shape(const CPainterFont& font, const QString& text);
    // The font realized for the request; the first time it is made.
    const CPainterFont& Font(const LogFont& request);
    // Drops what was not used since the last call.
    void EndRefresh();
    std::size_t TextCount() const { return static_cast<std::size_t>(m_Texts.size()); }

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

    QHash<TextKey, Shaped> m_Texts;
    std::vector<Realized> m_Fonts;
    unsigned m_Refresh = 0;
};

class CPainterDeviceContext final : public CDeviceContext {
public:
    // The painter must be active on a widget or an image for the life of the context. The
    // context leaves the painter's own pen, brush, font, clip and hints as it found them. A cache
    // the owner keeps must outlive the context; without one the context keeps its own.
    explicit CPainterDeviceContext(QPainter& painter, CPainterTextCache* cache = nullptr);
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

    // What the painter holds, so that it is set only when it changes.
    const bool m_OwnClip; // the painter came with a clip of its own
    bool m_TextClip = false; // the painter is clipped to the last text's rectangle
    std::optional<QFont> m_PainterFont; // a copy: a font freed and made anew is told apart
    std::optional<Color> m_PainterTextColor;
};

} // namespace platform
