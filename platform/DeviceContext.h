// The device context the stand board draws with: exactly the drawing operations the board uses.
//
// The host creates one over whatever it paints (a window, an image, a recorder for tests) and
// passes it to the display for the length of one paint call. Pens, fonts and bitmaps are plain
// objects owned by whoever created them; selecting one into a context does not transfer
// ownership, and the caller selects the previous one again before it destroys its own.
#pragma once

#include "Geometry.h"

#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum BackgroundMode : int { kTransparent = 1, kOpaque = 2 };

// Format flag of DrawText: centre the text horizontally in its rectangle.
inline constexpr unsigned kDrawTextCenter = 1;

// A solid pen. Width 0 (and 1) draws one pixel whatever the scale; a wider pen draws a band of
// that many pixels centred on the line, with flat ends.
struct CPen {
    int width = 0;
    Color color = Rgb(0, 0, 0);
};

// The parameters of a logical font, as the board requests it.
// Height above 0 is the cell height in pixels (ascent plus descent), below 0 the character height
// without the internal leading, 0 a default. A face name that is not installed falls back to a
// sans face metric-compatible with Arial. Width, escapement, orientation, character set and the
// precision and quality fields are kept but not used by our contexts.
struct LogFont {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 0;
    int pitchAndFamily = 0;
    std::string faceName;
};

// A font made by a device context. What it holds is the context's business.
class CFont {
public:
    virtual ~CFont() = default;
    virtual const LogFont& Requested() const = 0;
};

class CBitmap; // a bitmap resource of a library, by number (Bitmap.h)

class CDeviceContext {
public:
    virtual ~CDeviceContext() = default;

    // Fills the rectangle with a solid brush of the colour.
    virtual void FillRect(const Rect& rect, Color brush) = 0;

    // Each returns the previous setting. A context starts opaque, on white, with black text.
    // In opaque mode DrawText fills the text's own cells (not the whole rectangle) with the
    // background colour first.
    virtual int SetBkMode(int mode) = 0;
    virtual Color SetBkColor(Color color) = 0;
    virtual Color SetTextColor(Color color) = 0;

    // Selects a pen or font (not owned) and returns the one selected before, which the caller
    // selects again when done. The context starts with a pen and a font of its own (a black
    // one-pixel pen; a 16-pixel sans font). Selecting nullptr changes nothing and returns nullptr.
    virtual const CPen* SelectPen(const CPen* pen) = 0;
    virtual const CFont* SelectFont(const CFont* font) = 0;

    // The current point starts at (0, 0).
    virtual void MoveTo(int x, int y) = 0;
    // Draws from the current point to (x, y), excluding the end point, and makes it current.
    virtual void LineTo(int x, int y) = 0;

    // Draws one line of 8-bit text (Latin-1) in the selected font and text colour, clipped to the
    // rectangle; with kDrawTextCenter it is centred horizontally, otherwise left-aligned.
    // The text's top is the rectangle's top.
    virtual void DrawText(std::string_view text, const Rect& rect, unsigned format) = 0;

    // The width and height of the text in the selected font; the height is the font's cell
    // height, also for an empty text.
    virtual Size GetTextExtent(std::string_view text) = 0;

    // A font for this context, or nullptr when none can be made.
    virtual std::unique_ptr<CFont> CreateFontIndirect(const LogFont& font) = 0;

    // Copies the source rectangle of the bitmap onto the destination rectangle, stretched
    // (nearest pixel). A source reaching past the bitmap is cut to it and what is left still
    // covers the whole destination. Empty or inverted rectangles draw nothing.
    virtual void StretchBlt(const Rect& dest, const CBitmap& bitmap, const Rect& source) = 0;
};

} // namespace platform
