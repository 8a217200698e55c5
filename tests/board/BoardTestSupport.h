// A stand board on a known window, painted into a recorder, with helpers to read what was drawn.
#pragma once

#include "platform/RecordingDeviceContext.h"
#include "standmodel/StavoTestSupport.h"

#include <optional>
#include <string>
#include <vector>

namespace boardtest {

using platform::DrawItem;

constexpr double kLon = 19.26;
constexpr double kAwayLat = 47.46; // inside the track box, off every stand
// Stand n of a test airport: far enough from the others to be told apart.
inline double StandLat(int n)
{
    return 47.43 + 0.002 * n;
}

// Passes everything to a recorder; reports the fonts asked for and the pen and font selected at
// the end, and can fail font creation or report a taller font than asked for.
class ProbeContext final : public platform::CDeviceContext {
public:
    explicit ProbeContext(platform::CRecordingDeviceContext& recorder)
        : m_Recorder(recorder)
    {
    }
    void FillRect(const platform::Rect& r, platform::Color c) override
    {
        m_Recorder.FillRect(r, c);
    }
    int SetBkMode(int mode) override { return m_Recorder.SetBkMode(mode); }
    platform::Color SetBkColor(platform::Color c) override { return m_Recorder.SetBkColor(c); }
    platform::Color SetTextColor(platform::Color c) override { return m_Recorder.SetTextColor(c); }
    const platform::CPen* SelectPen(const platform::CPen* pen) override
    {
        selectedPen = pen;
        return m_Recorder.SelectPen(pen);
    }
    const platform::CFont* SelectFont(const platform::CFont* font) override
    {
        selectedFont = font;
        return m_Recorder.SelectFont(font);
    }
    void MoveTo(int x, int y) override { m_Recorder.MoveTo(x, y); }
    void LineTo(int x, int y) override { m_Recorder.LineTo(x, y); }
    void DrawText(std::string_view text, const platform::Rect& r, unsigned format) override
    {
        m_Recorder.DrawText(text, r, format);
    }
    platform::Size GetTextExtent(std::string_view text) override
    {
        platform::Size size = m_Recorder.GetTextExtent(text);
        if (textHeight)
            size.cy = *textHeight;
        return size;
    }
    std::unique_ptr<platform::CFont> CreateFontIndirect(const platform::LogFont& font) override
    {
        fontRequests.push_back(font);
        return failFonts ? nullptr : m_Recorder.CreateFontIndirect(font);
    }
    void StretchBlt(const platform::Rect& dest, const platform::CBitmap& bitmap,
        const platform::Rect& source) override
    {
        m_Recorder.StretchBlt(dest, bitmap, source);
    }

    std::optional<int> textHeight;
    bool failFonts = false;
    std::vector<platform::LogFont> fontRequests;
    const platform::CPen* selectedPen = nullptr;
    const platform::CFont* selectedFont = nullptr;

private:
    platform::CRecordingDeviceContext& m_Recorder;
};

class BoardTest : public stavotest::ScreenTest {
protected:
    // FINAL 1 and LINES 5 on a 755 x 194 board: cells 10 pixels a unit and lines 30 high. The
    // three stands take line 0 on the left and on the right, and line 1 on the left.
    void LoadSmallBoard(
        const std::string& left0, const std::string& right0, const std::string& left1)
    {
        display.settings = { { "AIRPORT", "LHBP" }, { "FINAL", "1" }, { "LINES", "5" },
            { "STAND1", stavotest::Stand(left0, 0, 0, StandLat(0), kLon) },
            { "STAND2", stavotest::Stand(right0, 1, 0, StandLat(1), kLon) },
            { "STAND3", stavotest::Stand(left1, 0, 1, StandLat(2), kLon) } };
        Load();
        SetBoard(755, 194);
    }

    // The board fills the radar area, with the chat area right under it.
    void SetBoard(int width, int height)
    {
        display.radarArea = { 0, 0, width, height };
        display.chatArea = { 0, height, width, height + 60 };
    }

    void Paint(int phase = 1)
    {
        recorder.Clear();
        display.objects.clear();
        screen->OnPaintDisplay(&recorder, phase);
    }

    // The texts and bitmaps drawn with their top in [top, bottom), as --dump writes them.
    std::vector<std::string> DumpBetween(int top, int bottom) const
    {
        std::vector<std::string> lines;
        for (const DrawItem& item : recorder.Items()) {
            if ((item.kind == DrawItem::Kind::Text || item.kind == DrawItem::Kind::Bitmap)
                && item.rect.top >= top && item.rect.top < bottom)
                lines.push_back(platform::FormatDumpLine(item));
        }
        return lines;
    }

    std::vector<DrawItem> ItemsOf(DrawItem::Kind kind) const
    {
        std::vector<DrawItem> items;
        for (const DrawItem& item : recorder.Items()) {
            if (item.kind == kind)
                items.push_back(item);
        }
        return items;
    }

    std::vector<std::string> ObjectIds() const
    {
        std::vector<std::string> ids;
        for (const auto& object : display.objects)
            ids.push_back(object.id);
        return ids;
    }

    // An arrival reported in flight (state 11) or taxiing in (state 12), off every stand.
    void Arrive(const std::string& callsign, double distance, bool taxiing = false)
    {
        Report(callsign, 200, 3000, kAwayLat, kLon, "LHBP", distance);
        if (taxiing)
            Report(callsign, 20, 0, kAwayLat, kLon, "LHBP", distance);
    }

    int StandIndex(const std::string& name) const { return screen->FindStandByName(name); }

    platform::CRecordingDeviceContext recorder;
};

} // namespace boardtest
