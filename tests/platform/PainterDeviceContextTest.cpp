#include "platform/PainterDeviceContext.h"

#include "platform/BitmapImage.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::CBitmap;
using platform::CDeviceContext;
using platform::CPainterDeviceContext;
using platform::CPainterFont;
using platform::CPainterTextCache;
using platform::CPen;
using platform::LogFont;
using platform::Rect;
using platform::Rgb;

class PainterDeviceContextTest : public testing::Test {
protected:
    static constexpr QRgb kWhite = 0xFFFFFFFF;

    // Paints on a fresh white image through a context and returns the image.
    static QImage Paint(const std::function<void(CDeviceContext&)>& draw, QSize size = { 80, 50 })
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        {
            CPainterDeviceContext dc(painter);
            draw(dc);
        }
        painter.end();
        return image;
    }

    // The smallest rectangle holding every pixel that is not white; empty when there is none.
    static QRect InkBox(const QImage& image)
    {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != kWhite)
                    box = box.united(QRect(x, y, 1, 1));
        return box;
    }

    static int InkCount(const QImage& image)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) != kWhite ? 1 : 0;
        return count;
    }

    static LogFont BoardFont(int height)
    {
        LogFont font;
        font.height = height;
        font.weight = 400;
        font.charSet = 238;
        font.faceName = "Ariel";
        return font;
    }
};

TEST_F(PainterDeviceContextTest, FillRectExcludesRightAndBottomAndKeepsTheColourLayout)
{
    const QImage image = Paint([](CDeviceContext& dc) {
        dc.FillRect({ 10, 5, 20, 12 }, Rgb(200, 100, 50));
        dc.FillRect({ 40, 5, 40, 30 }, Rgb(0, 0, 0)); // empty
        dc.FillRect({ 60, 30, 50, 20 }, Rgb(0, 0, 0)); // inverted
    });
    EXPECT_EQ(InkBox(image), QRect(10, 5, 10, 7));
    EXPECT_EQ(QColor(image.pixel(10, 5)), QColor(200, 100, 50));
    EXPECT_EQ(QColor(image.pixel(19, 11)), QColor(200, 100, 50));
}

TEST_F(PainterDeviceContextTest, ThinLinesStopBeforeTheirEndPointInEveryDirection)
{
    const CPen thin { 0, Rgb(0, 0, 0) };
    struct Case {
        int x0, y0, x1, y1;
        QRect expected;
    };
    const Case cases[] = {
        { 10, 10, 20, 10, QRect(10, 10, 10, 1) }, // rightwards: 10..19
        { 20, 10, 10, 10, QRect(11, 10, 10, 1) }, // leftwards: 20..11
        { 7, 3, 7, 13, QRect(7, 3, 1, 10) }, // downwards
        { 7, 13, 7, 3, QRect(7, 4, 1, 10) }, // upwards
    };
    for (const Case& c : cases) {
        const QImage image = Paint([&](CDeviceContext& dc) {
            dc.SelectPen(&thin);
            dc.MoveTo(c.x0, c.y0);
            dc.LineTo(c.x1, c.y1);
        });
        EXPECT_EQ(InkBox(image), c.expected)
            << c.x0 << ',' << c.y0 << " -> " << c.x1 << ',' << c.y1;
        EXPECT_EQ(InkCount(image), c.expected.width() * c.expected.height());
    }

    // A diagonal has one pixel per step, the end point excluded; a zero-length line draws nothing.
    const QImage diagonal = Paint([&](CDeviceContext& dc) {
        dc.MoveTo(2, 2);
        dc.LineTo(7, 7);
        dc.LineTo(7, 7);
    });
    EXPECT_EQ(InkCount(diagonal), 5);
    EXPECT_EQ(diagonal.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(diagonal.pixel(6, 6), qRgb(0, 0, 0));
    EXPECT_EQ(diagonal.pixel(7, 7), kWhite);
}

TEST_F(PainterDeviceContextTest, ThickLinesAreThreePixelsCentredOnTheLine)
{
    const CPen thick { 3, Rgb(255, 0, 0) };
    const QImage image = Paint([&](CDeviceContext& dc) {
        dc.SelectPen(&thick);
        dc.MoveTo(5, 10);
        dc.LineTo(25, 10); // rows 9..11, columns 5..24
        dc.MoveTo(40, 5);
        dc.LineTo(40, 30); // columns 39..41, rows 5..29
    });
    QImage horizontal = image.copy(0, 0, 35, 50);
    QImage vertical = image.copy(35, 0, 45, 50);
    EXPECT_EQ(InkBox(horizontal), QRect(5, 9, 20, 3));
    EXPECT_EQ(InkCount(horizontal), 60);
    EXPECT_EQ(InkBox(vertical), QRect(4, 5, 3, 25));
    EXPECT_EQ(QColor(image.pixel(24, 11)), QColor(255, 0, 0));
}

TEST_F(PainterDeviceContextTest, LineToMovesTheCurrentPoint)
{
    const QImage image = Paint([](CDeviceContext& dc) {
        dc.MoveTo(10, 10);
        dc.LineTo(20, 10);
        dc.LineTo(20, 20); // continues from (20, 10), so the corner is drawn once
    });
    EXPECT_EQ(InkCount(image), 20);
    EXPECT_EQ(image.pixel(20, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(20, 20), kWhite);
}

TEST_F(PainterDeviceContextTest, SelectingReturnsThePreviousPenAndFont)
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    CPainterDeviceContext dc(painter);

    const CPen thick { 3, Rgb(0, 0, 0) };
    const CPen* stockPen = dc.SelectPen(&thick);
    ASSERT_NE(stockPen, nullptr);
    EXPECT_NE(stockPen, &thick);
    EXPECT_EQ(stockPen->width, 0);
    EXPECT_EQ(dc.SelectPen(nullptr), nullptr); // refused, the thick pen stays
    EXPECT_EQ(dc.SelectPen(stockPen), &thick);

    auto font = dc.CreateFontIndirect(BoardFont(18));
    ASSERT_NE(font, nullptr);
    const platform::CFont* stockFont = dc.SelectFont(font.get());
    ASSERT_NE(stockFont, nullptr);
    EXPECT_EQ(dc.GetTextExtent("W").cy, 18);
    EXPECT_EQ(dc.SelectFont(nullptr), nullptr);
    EXPECT_EQ(dc.SelectFont(stockFont), font.get());
    EXPECT_EQ(dc.GetTextExtent("W").cy, 16);
    EXPECT_EQ(font->Requested().faceName, "Ariel");

    EXPECT_EQ(dc.SetBkMode(platform::kTransparent), platform::kOpaque);
    EXPECT_EQ(dc.SetBkColor(Rgb(1, 2, 3)), Rgb(255, 255, 255));
    EXPECT_EQ(dc.SetTextColor(Rgb(4, 5, 6)), Rgb(0, 0, 0));
    EXPECT_EQ(dc.SetTextColor(Rgb(0, 0, 0)), Rgb(4, 5, 6));
}

TEST_F(PainterDeviceContextTest, BoardFontFallsBackToAnArialCompatibleFaceWithTheAskedCellHeight)
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    CPainterDeviceContext dc(painter);

    for (int height = 6; height <= 40; ++height) {
        auto font = dc.CreateFontIndirect(BoardFont(height));
        ASSERT_NE(font, nullptr);
        const auto& made = dynamic_cast<const CPainterFont&>(*font);
        const QString family = QFontInfo(made.Font()).family();
        EXPECT_TRUE(family == "Liberation Sans" || family == "DejaVu Sans") << family.toStdString();
        EXPECT_EQ(made.Font().weight(), QFont::Normal);

        const platform::CFont* previous = dc.SelectFont(font.get());
        EXPECT_EQ(dc.GetTextExtent("W").cy, height);
        // The glyphs are never more than a pixel short of the cell they were asked to fill.
        EXPECT_GE(made.Metrics().height(), height - 1) << height;
        EXPECT_LE(made.Metrics().height(), height);
        EXPECT_LE(made.Ascent() + made.Metrics().descent(), height);
        dc.SelectFont(previous);
    }

    // Where Liberation Sans is installed it is the face, sized with Arial's proportions: a cell
    // of 19 pixels is a 17-pixel em.
    if (QFontDatabase::families().contains("Liberation Sans")) {
        const CPainterFont liberation(BoardFont(19));
        EXPECT_EQ(QFontInfo(liberation.Font()).family(), "Liberation Sans");
        EXPECT_EQ(liberation.Font().pixelSize(), 17);
    }

    LogFont characterHeight = BoardFont(-15); // without the internal leading: a larger cell
    auto font = dc.CreateFontIndirect(characterHeight);
    dc.SelectFont(font.get());
    EXPECT_GT(dc.GetTextExtent("W").cy, 15);
}

TEST_F(PainterDeviceContextTest, TextIsClippedToItsRectangle)
{
    const Rect box { 20, 10, 50, 30 };
    const QImage image = Paint([&](CDeviceContext& dc) {
        auto font = dc.CreateFontIndirect(BoardFont(30)); // taller and wider than the box
        const platform::CFont* previous = dc.SelectFont(font.get());
        dc.SetBkMode(platform::kTransparent);
        dc.DrawText("WWWWWWWW", box, platform::kDrawTextCenter);
        dc.SelectFont(previous);
    });
    const QRect ink = InkBox(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(20, 10, 30, 20).contains(ink))
        << ink.x() << ',' << ink.y() << ' ' << ink.width() << 'x' << ink.height();
    // Centred and too wide: it runs out on both sides.
    EXPECT_EQ(ink.left(), 20);
    EXPECT_EQ(ink.right(), 49);
}

TEST_F(PainterDeviceContextTest, TextIsCentredOrLeftAlignedAndTopAligned)
{
    const Rect box { 0, 10, 100, 40 };
    int width = 0;
    auto draw = [&](unsigned format) {
        return Paint(
            [&](CDeviceContext& dc) {
                auto font = dc.CreateFontIndirect(BoardFont(18));
                const platform::CFont* previous = dc.SelectFont(font.get());
                dc.SetBkMode(platform::kTransparent);
                width = dc.GetTextExtent("HIH").cx;
                dc.DrawText("HIH", box, format);
                dc.SelectFont(previous);
            },
            { 100, 50 });
    };

    const QRect centred = InkBox(draw(platform::kDrawTextCenter));
    ASSERT_FALSE(centred.isEmpty());
    EXPECT_GT(width, 10);
    const int middle = centred.left() + centred.right() + 1; // twice the centre
    EXPECT_NEAR(middle, 100, 3);
    // Top-aligned in an 18-pixel cell at the rectangle's top, whatever the rectangle's height.
    EXPECT_GE(centred.top(), 10);
    EXPECT_LE(centred.top(), 10 + 5);
    EXPECT_LT(centred.bottom(), 10 + 18);

    const QRect left = InkBox(draw(0));
    EXPECT_LE(left.left(), 3);
    EXPECT_EQ(left.top(), centred.top());
}

TEST_F(PainterDeviceContextTest, TextHasItsColourAndAnOpaqueBackgroundOnlyUnderItsCells)
{
    int width = 0;
    const QImage image = Paint([&](CDeviceContext& dc) {
        auto font = dc.CreateFontIndirect(BoardFont(16));
        const platform::CFont* previous = dc.SelectFont(font.get());
        dc.SetTextColor(Rgb(0, 0, 255));
        dc.SetBkColor(Rgb(220, 220, 220));
        width = dc.GetTextExtent("MM").cx;
        dc.DrawText("MM", { 10, 10, 70, 40 }, 0); // opaque is the starting mode
        dc.SelectFont(previous);
    });
    const QRgb panel = qRgb(220, 220, 220);
    EXPECT_EQ(image.pixel(10, 10), panel);
    EXPECT_EQ(image.pixel(10 + width - 1, 10 + 15), panel);
    EXPECT_EQ(image.pixel(10 + width, 10), kWhite);
    EXPECT_EQ(image.pixel(10, 10 + 16), kWhite);
    bool pureBlue = false;
    for (int y = 10; y < 26; ++y)
        for (int x = 10; x < 10 + width; ++x)
            pureBlue = pureBlue || image.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_TRUE(pureBlue);

    const QImage transparent = Paint([](CDeviceContext& dc) {
        dc.SetBkMode(platform::kTransparent);
        dc.SetBkColor(Rgb(220, 220, 220));
        dc.DrawText("MM", { 10, 10, 70, 40 }, 0);
    });
    EXPECT_EQ(transparent.pixel(10, 10), kWhite);
}

// Texts drawn from a kept cache land as a fresh one-line layout of their font draws them, in the
// first refresh and in the next, with the same texts in other fonts in between.
TEST_F(PainterDeviceContextTest, KeptTextsAreDrawnAsAFreshLayoutOfTheirFontDrawsThem)
{
    LogFont bold = BoardFont(20);
    bold.weight = 700;
    LogFont underlined = BoardFont(14);
    underlined.underline = true;
    underlined.italic = true;
    LogFont struck = BoardFont(18);
    struck.strikeOut = true;
    const std::vector<LogFont> fonts { BoardFont(16), bold, underlined, struck };
    const std::vector<std::string> texts { "WZZ3017", "A21N", "12:05", "\xC9p\xFCl\xE9t" };
    // Each font and text in a cell of its own: a box of 74 x 24 pixels.
    auto boxOf = [](std::size_t f, std::size_t t) {
        const int left = 3 + 80 * static_cast<int>(t);
        const int top = 4 + 30 * static_cast<int>(f);
        return Rect { left, top, left + 74, top + 24 };
    };
    const QSize size(80 * static_cast<int>(texts.size()), 30 * static_cast<int>(fonts.size()));

    QImage reference(size, QImage::Format_RGB32);
    reference.fill(Qt::white);
    {
        QPainter painter(&reference);
        for (std::size_t f = 0; f < fonts.size(); ++f) {
            const CPainterFont font(fonts[f]);
            painter.setFont(font.Font());
            for (std::size_t t = 0; t < texts.size(); ++t) {
                const Rect box = boxOf(f, t);
                painter.setClipRect(QRect(box.left, box.top, box.Width(), box.Height()));
                QTextLayout layout(QString::fromLatin1(texts[t].data()), font.Font());
                layout.beginLayout();
                QTextLine line = layout.createLine();
                layout.endLayout();
                const int x = box.left + (box.Width() - qRound(line.horizontalAdvance())) / 2;
                line.draw(&painter, QPointF(x, box.top + font.Ascent() - line.ascent()));
            }
        }
    }

    platform::CPainterTextCache cache;
    for (int refresh = 0; refresh < 2; ++refresh) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        {
            CPainterDeviceContext dc(painter, &cache);
            dc.SetBkMode(platform::kTransparent);
            for (std::size_t f = 0; f < fonts.size(); ++f) {
                auto font = dc.CreateFontIndirect(fonts[f]);
                const platform::CFont* previous = dc.SelectFont(font.get());
                for (std::size_t t = 0; t < texts.size(); ++t)
                    dc.DrawText(texts[t], boxOf(f, t), platform::kDrawTextCenter);
                dc.SelectFont(previous);
            }
        }
        painter.end();
        EXPECT_EQ(image, reference) << "refresh " << refresh;
        EXPECT_EQ(cache.TextCount(), fonts.size() * texts.size());
    }
}

TEST_F(PainterDeviceContextTest, EightBitTextIsLatin1)
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    CPainterDeviceContext dc(painter);
    auto font = dc.CreateFontIndirect(BoardFont(18));
    dc.SelectFont(font.get());
    // "\xC4" is A with diaeresis, as wide as A; as UTF-8 it would be a broken sequence.
    EXPECT_EQ(dc.GetTextExtent("\xC4").cx, dc.GetTextExtent("A").cx);
    EXPECT_EQ(dc.GetTextExtent("").cx, 0);
    EXPECT_EQ(dc.GetTextExtent("").cy, 18);
    EXPECT_EQ(dc.GetTextExtent("AB").cx, dc.GetTextExtent("A").cx + dc.GetTextExtent("B").cx);
}

// Qt's own sum of advances wraps past 2^25 pixels; the extent adds up wide and stays in range.
TEST_F(PainterDeviceContextTest, ExtentsOfVeryLongTextsAndHugeFontsDoNotWrap)
{
    QImage image(4, 4, QImage::Format_RGB32);
    QPainter painter(&image);
    CPainterDeviceContext dc(painter);
    auto font = dc.CreateFontIndirect(BoardFont(20));
    dc.SelectFont(font.get());
    const int w = dc.GetTextExtent("W").cx;
    ASSERT_GT(w, 0);

    for (const int height : { std::numeric_limits<int>::min(), -3'000'000, 3'000'000,
             std::numeric_limits<int>::max() }) {
        auto huge = dc.CreateFontIndirect(BoardFont(height));
        ASSERT_NE(huge, nullptr) << height;
        dc.SelectFont(huge.get());
        const platform::Size one = dc.GetTextExtent("W");
        EXPECT_GT(one.cx, w) << height;
        EXPECT_GT(one.cy, 0) << height;
        // Past 2^25 pixels, and well within the int range.
        EXPECT_EQ(dc.GetTextExtent(std::string(20'000, 'W')).cx, 20'000 * one.cx) << height;
        if (height == std::numeric_limits<int>::max()) {
            const int past = std::numeric_limits<int>::max() / one.cx + 1;
            EXPECT_EQ(dc.GetTextExtent(std::string(static_cast<std::size_t>(past), 'W')).cx,
                std::numeric_limits<int>::max());
        }
        dc.SelectFont(font.get());
    }
}

TEST_F(PainterDeviceContextTest, StretchedBitmapCoversExactlyItsDestination)
{
    QImage quads(2, 2, QImage::Format_RGB32);
    quads.setPixel(0, 0, qRgb(255, 0, 0));
    quads.setPixel(1, 0, qRgb(0, 255, 0));
    quads.setPixel(0, 1, qRgb(0, 0, 255));
    quads.setPixel(1, 1, qRgb(0, 0, 0));
    const CBitmap bitmap = platform::BitmapFromImage(7, quads);

    const QImage image = Paint([&](CDeviceContext& dc) {
        dc.StretchBlt({ 10, 10, 17, 15 }, bitmap, { 0, 0, 2, 2 });
        dc.StretchBlt({ 30, 30, 30, 40 }, bitmap, { 0, 0, 2, 2 }); // empty: nothing
    });
    EXPECT_EQ(InkBox(image), QRect(10, 10, 7, 5));
    EXPECT_EQ(InkCount(image), 35);
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(16, 10), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(10, 14), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(16, 14), qRgb(0, 0, 0));
}

TEST_F(PainterDeviceContextTest, SourceBeyondTheBitmapIsCutAndStillFillsTheDestination)
{
    // A 20 x 19 bitmap copied with a 20 x 20 source, as the board copies every status bitmap.
    QImage short19(20, 19, QImage::Format_RGB32);
    short19.fill(qRgb(255, 0, 0));
    short19.setPixel(0, 18, qRgb(0, 0, 255));
    const CBitmap bitmap = platform::BitmapFromImage(181, short19);
    const QImage image = Paint([&](CDeviceContext& dc) {
        dc.StretchBlt({ 0, 0, 20, 20 }, bitmap, { 0, 0, 20, 20 });
    });
    EXPECT_EQ(InkBox(image), QRect(0, 0, 20, 20));
    EXPECT_EQ(InkCount(image), 400);
    EXPECT_EQ(image.pixel(0, 19), qRgb(0, 0, 255));
}

// The context writes pixels itself where that gives what the painter gives: kept texts on uniform
// backgrounds, fills, lines and stretched bitmaps. Random scenes of uniform patches, noise and
// texts over texts, partly clipped or off the image, must come out as the painter draws them.
TEST_F(PainterDeviceContextTest, PixelsWrittenDirectlyAreThePaintersPixels)
{
    std::mt19937 random(20261208);
    auto uniform = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const QSize size(240, 160);
    QImage scene(size, QImage::Format_RGB32);
    const QRgb palette[] = { qRgb(220, 220, 220), qRgb(220, 255, 255), qRgb(255, 255, 255),
        qRgb(0, 0, 0), qRgb(30, 90, 200) };
    scene.fill(palette[0]);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (x > 180 || (y > 120 && x < 60)) // noise
                scene.setPixel(x, y, qRgb(uniform(0, 255), uniform(0, 255), uniform(0, 255)));
            else if (x > 90 && y < 50)
                scene.setPixel(x, y, palette[1]);

    QImage opaque(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            opaque.setPixel(x, y, qRgb(x * 30, y * 50, 90));
    const CBitmap bitmap = platform::BitmapFromImage(3, opaque);
    const std::string glyphs = "WMjgy_|.,-0123456789ABCKLOQRSTXZ\xC4\xD6\xDC\xE9*";
    const std::vector<LogFont> fonts
        = { BoardFont(12), BoardFont(17), BoardFont(20), BoardFont(-31), [] {
               LogFont italic = BoardFont(16);
               italic.italic = true;
               italic.weight = 700;
               return italic;
           }() };

    // One refresh: a fixed list of drawing steps.
    std::vector<std::function<void(CDeviceContext&)>> steps;
    for (int i = 0; i < 400; ++i) {
        const int kind = uniform(0, 9);
        const Rect rect { uniform(-30, 230), uniform(-20, 150), 0, 0 };
        const Rect box { rect.left, rect.top, rect.left + uniform(1, 90),
            rect.top + uniform(1, 40) };
        if (kind == 0) {
            const platform::Color color = Rgb(uniform(0, 255), uniform(0, 255), uniform(0, 255));
            steps.push_back([=](CDeviceContext& dc) { dc.FillRect(box, color); });
        } else if (kind == 1) {
            const CPen pen { uniform(0, 3), Rgb(uniform(0, 255), 0, 0) };
            const int dx = uniform(0, 2) == 0 ? 0 : uniform(-60, 60);
            const int dy = uniform(0, 2) == 0 ? 0 : uniform(-60, 60);
            steps.push_back([=](CDeviceContext& dc) {
                dc.SelectPen(&pen);
                dc.MoveTo(rect.left, rect.top);
                dc.LineTo(rect.left + dx, rect.top + dy);
            });
        } else if (kind == 2) {
            const Rect source { 0, 0, uniform(1, 9), uniform(1, 7) };
            steps.push_back(
                [=, &bitmap](CDeviceContext& dc) { dc.StretchBlt(box, bitmap, source); });
        } else {
            std::string text;
            for (int n = uniform(1, 10); n > 0; --n)
                text += glyphs[static_cast<std::size_t>(uniform(0, int(glyphs.size()) - 1))];
            const std::size_t font = static_cast<std::size_t>(uniform(0, int(fonts.size()) - 1));
            const QRgb color = palette[uniform(0, 4)];
            const QRgb background = palette[uniform(0, 4)];
            const int mode = uniform(0, 3) == 0 ? platform::kOpaque : platform::kTransparent;
            const unsigned format = uniform(0, 1) == 0 ? platform::kDrawTextCenter : 0;
            steps.push_back([=, &fonts](CDeviceContext& dc) {
                auto made = dc.CreateFontIndirect(fonts[font]);
                const auto* previous = dc.SelectFont(made.get());
                dc.SetTextColor(Rgb(qRed(color), qGreen(color), qBlue(color)));
                dc.SetBkColor(Rgb(qRed(background), qGreen(background), qBlue(background)));
                dc.SetBkMode(mode);
                dc.DrawText(text, box, format);
                dc.SelectFont(previous);
            });
        }
    }
    auto refresh = [&](CPainterTextCache& cache, CPainterDeviceContext::Pixels pixels) {
        QImage image = scene.copy();
        QPainter painter(&image);
        {
            CPainterDeviceContext dc(painter, &cache, pixels);
            for (const auto& step : steps)
                step(dc);
        }
        painter.end();
        return image;
    };

    CPainterTextCache direct, byPainter;
    for (int round = 0; round < 3; ++round) {
        const QImage written = refresh(direct, CPainterDeviceContext::Pixels::WhereSame);
        const QImage painted = refresh(byPainter, CPainterDeviceContext::Pixels::ByPainter);
        ASSERT_EQ(written.size(), painted.size());
        int differing = 0;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                differing += written.pixel(x, y) != painted.pixel(x, y) ? 1 : 0;
        EXPECT_EQ(differing, 0) << "round " << round;
    }
    // The texts were kept as pixels, and the painter's side kept none.
    EXPECT_GT(direct.TileCount(), 20u);
    EXPECT_EQ(byPainter.TileCount(), 0u);
}

TEST_F(PainterDeviceContextTest, LeavesThePaintersOwnStateAsItFoundIt)
{
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QPen pen(Qt::green, 2);
    const QFont font("DejaVu Sans", 7);
    painter.setPen(pen);
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing, true);
    {
        CPainterDeviceContext dc(painter);
        const CPen thick { 3, Rgb(0, 0, 0) };
        dc.SelectPen(&thick);
        dc.MoveTo(0, 0);
        dc.LineTo(30, 20);
        dc.DrawText("X", { 0, 0, 20, 20 }, platform::kDrawTextCenter);
        dc.StretchBlt({ 0, 0, 5, 5 },
            platform::BitmapFromImage(1, QImage(2, 2, QImage::Format_RGB32)), { 0, 0, 2, 2 });
    }
    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.font(), font);
    EXPECT_FALSE(painter.hasClipping());
    EXPECT_TRUE(painter.testRenderHint(QPainter::Antialiasing));
}

} // namespace
