// A device context that records what is drawn on it, for veltrix-host's --dump and for tests
// that check a drawing without looking at pixels.
#pragma once

#include "DeviceContext.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

struct DrawItem {
    enum class Kind { Fill, Line, Text, Bitmap, Object };
    Kind kind = Kind::Fill;
    Rect rect; // Fill, Text, Bitmap, Object: the rectangle; Line: (left,top) -> (right,bottom)
    std::string text; // Text: the content; Object: the object id
    int number = 0; // Bitmap: resource number; Object: object type; Line: pen width
    Color color = 0; // Fill: brush; Line: pen; Text: text colour
    unsigned format = 0; // Text: the format flags of DrawText
    Rect source; // Bitmap: the source rectangle
};

// One line of veltrix-host's --dump output: "text L T R B CONTENT", "bitmap L T R B ID",
// "object TYPE ID L T R B"; an empty string for Fill and Line items. The content is the last
// field and is written as it is, blanks included.
std::string FormatDumpLine(const DrawItem& item);

class CRecordingDeviceContext final : public CDeviceContext {
public:
    // Records every drawing operation, as called (empty rectangles included); forwards every
    // operation to `inner` as well when given (so that a refresh can be painted and recorded at
    // once, and text is measured with real fonts). `inner` must outlive the recorder.
    //
    // Without `inner`, text is measured with a fixed metric: the cell height is the font's
    // height (its magnitude when negative, 16 when 0) and every character is half as wide as the
    // cell is high, rounded down, at least 1 pixel.
    explicit CRecordingDeviceContext(CDeviceContext* inner = nullptr);
    ~CRecordingDeviceContext() override;
    CRecordingDeviceContext(const CRecordingDeviceContext&) = delete;
    CRecordingDeviceContext& operator=(const CRecordingDeviceContext&) = delete;

    const std::vector<DrawItem>& Items() const { return m_Items; }
    void Record(DrawItem item); // lets the host put screen objects into the drawing order
    void Clear();

    void FillRect(const Rect& rect, Color brush) override;
    int SetBkMode(int mode) override;
    Color SetBkColor(Color color) override;
    Color SetTextColor(Color color) override;
    const CPen* SelectPen(const CPen* pen) override;
    const CFont* SelectFont(const CFont* font) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void DrawText(std::string_view text, const Rect& rect, unsigned format) override;
    Size GetTextExtent(std::string_view text) override;
    // nullptr when `inner` cannot make the font.
    std::unique_ptr<CFont> CreateFontIndirect(const LogFont& font) override;
    void StretchBlt(const Rect& dest, const CBitmap& bitmap, const Rect& source) override;

private:
    CDeviceContext* m_Inner;
    std::vector<DrawItem> m_Items;
    int m_BkMode = kOpaque;
    Color m_BkColor = Rgb(255, 255, 255);
    Color m_TextColor = Rgb(0, 0, 0);
    CPen m_StockPen;
    const CPen* m_Pen = &m_StockPen;
    std::unique_ptr<CFont> m_StockFont;
    const CFont* m_Font = nullptr; // the selected font; the constructor selects the stock one
    // What the inner context had selected before the recorder first selected into it: what it
    // gets back when the recorder's own pen or font is selected again.
    const CPen* m_InnerStockPen = nullptr;
    const CFont* m_InnerStockFont = nullptr;
    Point m_Current;
};

} // namespace platform
