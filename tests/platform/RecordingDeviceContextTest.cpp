#include "platform/RecordingDeviceContext.h"

#include "platform/BitmapImage.h"
#include "platform/PainterDeviceContext.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>

namespace {

using platform::CBitmap;
using platform::CPen;
using platform::CRecordingDeviceContext;
using platform::DrawItem;
using platform::FormatDumpLine;
using platform::LogFont;
using platform::Rect;
using platform::Rgb;
using Kind = platform::DrawItem::Kind;

class RecordingDeviceContextTest : public testing::Test {
protected:
    static LogFont Font(int height)
    {
        LogFont font;
        font.height = height;
        font.faceName = "Ariel";
        return font;
    }

    const CBitmap m_Bitmap = platform::BitmapFromImage(139, QImage(20, 20, QImage::Format_RGB32));
};

TEST_F(RecordingDeviceContextTest, RecordsEachDrawingWithWhatItWasDrawnWith)
{
    CRecordingDeviceContext dc;
    const CPen thick { 3, Rgb(1, 2, 3) };

    dc.FillRect({ 0, 0, 100, 50 }, Rgb(220, 220, 220));
    const CPen* previous = dc.SelectPen(&thick);
    dc.MoveTo(5, 6);
    dc.LineTo(50, 6);
    dc.SelectPen(previous);
    dc.LineTo(50, 40);
    dc.SetTextColor(Rgb(9, 8, 7));
    dc.DrawText("KLM123", { 3, 4, 30, 20 }, platform::kDrawTextCenter);
    dc.StretchBlt({ 30, 4, 40, 20 }, m_Bitmap, { 0, 0, 20, 20 });

    const auto& items = dc.Items();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].kind, Kind::Fill);
    EXPECT_EQ(items[0].rect, (Rect { 0, 0, 100, 50 }));
    EXPECT_EQ(items[0].color, Rgb(220, 220, 220));

    EXPECT_EQ(items[1].kind, Kind::Line);
    EXPECT_EQ(items[1].rect, (Rect { 5, 6, 50, 6 }));
    EXPECT_EQ(items[1].number, 3);
    EXPECT_EQ(items[1].color, Rgb(1, 2, 3));
    EXPECT_EQ(items[2].rect, (Rect { 50, 6, 50, 40 })); // from where the last line ended
    EXPECT_EQ(items[2].number, 0);
    EXPECT_EQ(items[2].color, Rgb(0, 0, 0));

    EXPECT_EQ(items[3].kind, Kind::Text);
    EXPECT_EQ(items[3].text, "KLM123");
    EXPECT_EQ(items[3].rect, (Rect { 3, 4, 30, 20 }));
    EXPECT_EQ(items[3].color, Rgb(9, 8, 7));
    EXPECT_EQ(items[3].format, platform::kDrawTextCenter);

    EXPECT_EQ(items[4].kind, Kind::Bitmap);
    EXPECT_EQ(items[4].number, 139);
    EXPECT_EQ(items[4].rect, (Rect { 30, 4, 40, 20 }));
    EXPECT_EQ(items[4].source, (Rect { 0, 0, 20, 20 }));

    dc.Clear();
    EXPECT_TRUE(dc.Items().empty());
}

TEST_F(RecordingDeviceContextTest, DumpLinesForTextBitmapsAndObjectsOnly)
{
    CRecordingDeviceContext dc;
    dc.FillRect({ 0, 0, 10, 10 }, 0);
    dc.LineTo(4, 4);
    dc.DrawText("SAS 12", { -3, 4, 30, 20 }, platform::kDrawTextCenter);
    dc.StretchBlt({ 30, 4, 40, 19 }, m_Bitmap, { 0, 0, 20, 20 });
    DrawItem object;
    object.kind = Kind::Object;
    object.number = 1;
    object.text = "DLH4AB";
    object.rect = { 12, 40, 60, 57 };
    dc.Record(object);

    std::vector<std::string> lines;
    for (const DrawItem& item : dc.Items())
        lines.push_back(FormatDumpLine(item));
    EXPECT_EQ(lines,
        (std::vector<std::string> { "", "", "text -3 4 30 20 SAS 12", "bitmap 30 4 40 19 139",
            "object 1 DLH4AB 12 40 60 57" }));
}

TEST_F(RecordingDeviceContextTest, MeasuresWithAFixedMetricWithoutAnInnerContext)
{
    CRecordingDeviceContext dc;
    EXPECT_EQ(dc.GetTextExtent("ABC"), (platform::Size { 24, 16 })); // the recorder's own font

    auto board = dc.CreateFontIndirect(Font(19));
    auto negative = dc.CreateFontIndirect(Font(-12));
    ASSERT_NE(board, nullptr);
    ASSERT_NE(negative, nullptr);
    const platform::CFont* stock = dc.SelectFont(board.get());
    EXPECT_EQ(dc.GetTextExtent("W"), (platform::Size { 9, 19 }));
    EXPECT_EQ(dc.GetTextExtent(""), (platform::Size { 0, 19 }));
    EXPECT_EQ(dc.SelectFont(negative.get()), board.get());
    EXPECT_EQ(dc.GetTextExtent("WW"), (platform::Size { 12, 12 }));
    EXPECT_EQ(dc.SelectFont(stock), negative.get());
    EXPECT_EQ(dc.GetTextExtent("W").cy, 16);

    // Extents past the int range are held to it, also for the most negative height.
    constexpr int kGreatest = std::numeric_limits<int>::max();
    auto huge = dc.CreateFontIndirect(Font(std::numeric_limits<int>::min()));
    dc.SelectFont(huge.get());
    EXPECT_EQ(dc.GetTextExtent("WWW"), (platform::Size { kGreatest, kGreatest }));
    auto large = dc.CreateFontIndirect(Font(kGreatest - 1));
    dc.SelectFont(large.get());
    EXPECT_EQ(dc.GetTextExtent("WWW").cx, kGreatest);
    dc.SelectFont(stock);
}

TEST_F(RecordingDeviceContextTest, ForwardsEverythingAndRestoresTheInnerContextsOwnPenAndFont)
{
    CRecordingDeviceContext inner;
    CRecordingDeviceContext dc(&inner);
    const CPen thick { 3, Rgb(0, 0, 0) };

    auto font = dc.CreateFontIndirect(Font(30));
    const platform::CFont* stockFont = dc.SelectFont(font.get());
    const CPen* stockPen = dc.SelectPen(&thick);
    EXPECT_EQ(dc.GetTextExtent("WW"), (platform::Size { 30, 30 })); // measured by the inner one
    dc.MoveTo(1, 1);
    dc.LineTo(9, 1);
    dc.SelectPen(stockPen);
    dc.SelectFont(stockFont);
    dc.LineTo(9, 9);
    EXPECT_EQ(inner.GetTextExtent("W").cy, 16); // its own font again
    dc.SetTextColor(Rgb(5, 5, 5));
    dc.DrawText("X", { 0, 0, 5, 5 }, 0);
    dc.FillRect({ 0, 0, 1, 1 }, 0);
    dc.StretchBlt({ 0, 0, 1, 1 }, m_Bitmap, { 0, 0, 20, 20 });

    ASSERT_EQ(inner.Items().size(), 5u);
    EXPECT_EQ(inner.Items()[0].number, 3);
    EXPECT_EQ(inner.Items()[0].rect, (Rect { 1, 1, 9, 1 }));
    EXPECT_EQ(inner.Items()[1].number, 0);
    EXPECT_EQ(inner.Items()[2].color, Rgb(5, 5, 5));
    EXPECT_EQ(inner.Items()[4].number, 139);
    EXPECT_EQ(dc.Items().size(), inner.Items().size());
}

TEST_F(RecordingDeviceContextTest, PaintsAndRecordsAtOnceOverAPainter)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    {
        platform::CPainterDeviceContext painted(painter);
        CRecordingDeviceContext dc(&painted);
        auto font = dc.CreateFontIndirect(Font(13));
        const platform::CFont* previous = dc.SelectFont(font.get());
        EXPECT_EQ(dc.GetTextExtent("W").cy, 13); // the real font's cell
        dc.FillRect({ 2, 3, 12, 8 }, Rgb(255, 0, 0));
        dc.SelectFont(previous);
        EXPECT_EQ(dc.Items().size(), 1u);
    }
    painter.end();
    EXPECT_EQ(image.pixel(2, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(12, 3), qRgb(255, 255, 255));
}

} // namespace
