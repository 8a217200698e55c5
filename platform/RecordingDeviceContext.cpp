#include "RecordingDeviceContext.h"

#include "Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace platform {

namespace {

constexpr int kDefaultCellHeight = 16;

// A font of the recorder: the request, and the inner context's font made for it, if any.
class CRecordedFont final : public CFont {
public:
    CRecordedFont(const LogFont& requested, std::unique_ptr<CFont> inner)
        : m_Requested(requested)
        , m_Inner(std::move(inner))
    {
    }
    const LogFont& Requested() const override { return m_Requested; }
    const CFont* Inner() const { return m_Inner.get(); }

private:
    LogFont m_Requested;
    std::unique_ptr<CFont> m_Inner;
};

std::string RectFields(const Rect& r)
{
    return std::to_string(r.left) + ' ' + std::to_string(r.top) + ' ' + std::to_string(r.right)
        + ' ' + std::to_string(r.bottom);
}

} // namespace

std::string FormatDumpLine(const DrawItem& item)
{
    switch (item.kind) {
    case DrawItem::Kind::Text:
        return "text " + RectFields(item.rect) + ' ' + item.text;
    case DrawItem::Kind::Bitmap:
        return "bitmap " + RectFields(item.rect) + ' ' + std::to_string(item.number);
    case DrawItem::Kind::Object:
        return "object " + std::to_string(item.number) + ' ' + item.text + ' '
            + RectFields(item.rect);
    case DrawItem::Kind::Fill:
    case DrawItem::Kind::Line:
        break;
    }
    return {};
}

CRecordingDeviceContext::CRecordingDeviceContext(CDeviceContext* inner)
    : m_Inner(inner)
{
    LogFont stock;
    stock.height = kDefaultCellHeight;
    m_StockFont = std::make_unique<CRecordedFont>(stock, nullptr);
    m_Font = m_StockFont.get();
}

CRecordingDeviceContext::~CRecordingDeviceContext() = default;

void CRecordingDeviceContext::Record(DrawItem item)
{
    m_Items.push_back(std::move(item));
}

void CRecordingDeviceContext::Clear()
{
    m_Items.clear();
}

void CRecordingDeviceContext::FillRect(const Rect& rect, Color brush)
{
    DrawItem item;
    item.kind = DrawItem::Kind::Fill;
    item.rect = rect;
    item.color = brush;
    Record(std::move(item));
    if (m_Inner != nullptr)
        m_Inner->FillRect(rect, brush);
}

int CRecordingDeviceContext::SetBkMode(int mode)
{
    if (m_Inner != nullptr)
        m_Inner->SetBkMode(mode);
    return std::exchange(m_BkMode, mode);
}

Color CRecordingDeviceContext::SetBkColor(Color color)
{
    if (m_Inner != nullptr)
        m_Inner->SetBkColor(color);
    return std::exchange(m_BkColor, color);
}

Color CRecordingDeviceContext::SetTextColor(Color color)
{
    if (m_Inner != nullptr)
        m_Inner->SetTextColor(color);
    return std::exchange(m_TextColor, color);
}

const CPen* CRecordingDeviceContext::SelectPen(const CPen* pen)
{
    if (pen == nullptr)
        return nullptr;
    if (m_Inner != nullptr) {
        if (pen != &m_StockPen) {
            const CPen* before = m_Inner->SelectPen(pen);
            if (m_InnerStockPen == nullptr)
                m_InnerStockPen = before;
        } else if (m_InnerStockPen != nullptr) {
            m_Inner->SelectPen(m_InnerStockPen);
        }
    }
    return std::exchange(m_Pen, pen);
}

const CFont* CRecordingDeviceContext::SelectFont(const CFont* font)
{
    if (font == nullptr)
        return nullptr;
    if (m_Inner != nullptr) {
        // A font of the recorder stands for the inner font made with it; any other font is
        // passed on as it is.
        const auto* recorded = dynamic_cast<const CRecordedFont*>(font);
        const CFont* target = recorded != nullptr ? recorded->Inner() : font;
        if (font == m_StockFont.get())
            target = m_InnerStockFont;
        if (target != nullptr) {
            const CFont* before = m_Inner->SelectFont(target);
            if (m_InnerStockFont == nullptr)
                m_InnerStockFont = before;
        }
    }
    return std::exchange(m_Font, font);
}

void CRecordingDeviceContext::MoveTo(int x, int y)
{
    m_Current = { x, y };
    if (m_Inner != nullptr)
        m_Inner->MoveTo(x, y);
}

void CRecordingDeviceContext::LineTo(int x, int y)
{
    DrawItem item;
    item.kind = DrawItem::Kind::Line;
    item.rect = { m_Current.x, m_Current.y, x, y };
    item.number = m_Pen->width;
    item.color = m_Pen->color;
    Record(std::move(item));
    m_Current = { x, y };
    if (m_Inner != nullptr)
        m_Inner->LineTo(x, y);
}

void CRecordingDeviceContext::DrawText(std::string_view text, const Rect& rect, unsigned format)
{
    DrawItem item;
    item.kind = DrawItem::Kind::Text;
    item.rect = rect;
    item.text = std::string(text);
    item.color = m_TextColor;
    item.format = format;
    Record(std::move(item));
    if (m_Inner != nullptr)
        m_Inner->DrawText(text, rect, format);
}

Size CRecordingDeviceContext::GetTextExtent(std::string_view text)
{
    if (m_Inner != nullptr)
        return m_Inner->GetTextExtent(text);
    // Widened: the most negative height and a long text times a large advance do not fit an int.
    const std::int64_t height = m_Font->Requested().height;
    const std::int64_t cell = height > 0 ? height : height < 0 ? -height : kDefaultCellHeight;
    const std::int64_t advance = std::max<std::int64_t>(1, cell / 2);
    constexpr std::int64_t kGreatest = std::numeric_limits<int>::max();
    const auto length = static_cast<std::int64_t>(std::min<std::size_t>(text.size(), kGreatest));
    return { static_cast<int>(std::min(length * advance, kGreatest)),
        static_cast<int>(std::min(cell, kGreatest)) };
}

std::unique_ptr<CFont> CRecordingDeviceContext::CreateFontIndirect(const LogFont& font)
{
    std::unique_ptr<CFont> inner;
    if (m_Inner != nullptr) {
        inner = m_Inner->CreateFontIndirect(font);
        if (!inner)
            return nullptr;
    }
    return std::make_unique<CRecordedFont>(font, std::move(inner));
}

void CRecordingDeviceContext::StretchBlt(
    const Rect& dest, const CBitmap& bitmap, const Rect& source)
{
    DrawItem item;
    item.kind = DrawItem::Kind::Bitmap;
    item.rect = dest;
    item.number = bitmap.Id();
    item.source = source;
    Record(std::move(item));
    if (m_Inner != nullptr)
        m_Inner->StretchBlt(dest, bitmap, source);
}

} // namespace platform
