#include "plugin/board/StavoBitmaps.h"

#include "platform/BitmapImage.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

struct StatusBitmap {
    int id;
    int height;
    QRgb background;
};

constexpr QRgb kGreen = qRgb(0, 128, 0);
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);

constexpr std::array<StatusBitmap, 8> kStatusBitmaps { {
    { 139, 20, kGreen },
    { 141, 20, kRed },
    { 142, 20, kRed },
    { 146, 20, kRed },
    { 180, 20, kGreen },
    { 181, 19, kRed },
    { 183, 20, kBlue },
    { 186, 20, kBlue },
} };

class StavoBitmapsTest : public testing::Test {
protected:
    // Which pixels are not the background: the silhouette.
    static std::vector<bool> Silhouette(const QImage& image)
    {
        const QRgb background = image.pixel(0, 0);
        std::vector<bool> mask;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                mask.push_back(image.pixel(x, y) != background);
        return mask;
    }

    static QImage Load(int id)
    {
        auto bitmap = LoadStavoBitmap(id);
        return bitmap ? platform::BitmapImage(*bitmap) : QImage();
    }

    // Mean row of the silhouette within columns [from, to).
    static double MeanRow(const QImage& image, int from, int to)
    {
        const QRgb background = image.pixel(0, 0);
        double sum = 0;
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = from; x < to; ++x)
                if (image.pixel(x, y) != background) {
                    sum += y;
                    ++count;
                }
        return count == 0 ? -1 : sum / count;
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(StavoBitmapsTest, EveryStatusBitmapIsFoundWithItsSizeAndBackground)
{
    for (const StatusBitmap& expected : kStatusBitmaps) {
        SCOPED_TRACE(expected.id);
        auto bitmap = LoadStavoBitmap(expected.id);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->Id(), expected.id);
        EXPECT_EQ(bitmap->GetSize(), (platform::Size { 20, expected.height }));
        const QImage& image = platform::BitmapImage(*bitmap);
        const int bottom = expected.height - 1;
        EXPECT_EQ(image.pixel(0, 0), expected.background);
        EXPECT_EQ(image.pixel(19, 0), expected.background);
        EXPECT_EQ(image.pixel(0, bottom), expected.background);
        EXPECT_EQ(image.pixel(19, bottom), expected.background);

        // A white and grey silhouette: white dominant, nothing but white and greys on the
        // background.
        int white = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                white += p == qRgb(255, 255, 255) ? 1 : 0;
                if (p != expected.background) {
                    EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) >= 128)
                        << x << ',' << y;
                }
            }
        EXPECT_GT(white, 30);
    }
}

TEST_F(StavoBitmapsTest, OtherNumbersAreNotFound)
{
    for (int id : { 0, -139, 140, 182, 1390 })
        EXPECT_EQ(LoadStavoBitmap(id), nullptr) << id;
}

TEST_F(StavoBitmapsTest, BitmapsOfOneSilhouetteDifferOnlyInBackground)
{
    EXPECT_EQ(Silhouette(Load(139)), Silhouette(Load(141)));
    EXPECT_EQ(Silhouette(Load(142)), Silhouette(Load(183)));
    EXPECT_EQ(Silhouette(Load(146)), Silhouette(Load(186)));
    // 181 is 180 without its last row, which the drawing leaves empty.
    EXPECT_EQ(Silhouette(Load(180).copy(0, 0, 20, 19)), Silhouette(Load(181)));
    const std::vector<bool> lastRow(Silhouette(Load(180).copy(0, 19, 20, 1)));
    EXPECT_EQ(lastRow, std::vector<bool>(20, false));
}

TEST_F(StavoBitmapsTest, SilhouettesShowTheirAttitude)
{
    const QImage descending = Load(141);
    const QImage climbing = Load(142);
    const QImage ground = Load(146);
    const QImage above = Load(181);
    EXPECT_NE(Silhouette(descending), Silhouette(climbing));
    EXPECT_NE(Silhouette(climbing), Silhouette(ground));

    // Nose to the right: lower than the tail when descending, higher when climbing.
    EXPECT_GT(MeanRow(descending, 14, 20), MeanRow(descending, 0, 6) + 2);
    EXPECT_LT(MeanRow(climbing, 14, 20), MeanRow(climbing, 0, 6) - 2);
    // Level on its wheels: something under the fuselage in the lower rows.
    EXPECT_GT(MeanRow(ground, 10, 12), MeanRow(ground, 6, 8));

    // Seen from above, nose up: mirror-symmetric left to right.
    const std::vector<bool> mask = Silhouette(above);
    for (int y = 0; y < above.height(); ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(mask[y * 20 + x], mask[y * 20 + 19 - x]) << x << ',' << y;
}

TEST_F(StavoBitmapsTest, CommittedFilesAreWhatTheGeneratorWrites)
{
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    QProcess generator;
    generator.start(QStringLiteral(STAVO_BITMAPS_TOOL), { directory.path() });
    ASSERT_TRUE(generator.waitForFinished(30000));
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();

    for (const StatusBitmap& expected : kStatusBitmaps) {
        SCOPED_TRACE(expected.id);
        const QString name = QString::number(expected.id) + ".bmp";
        const QByteArray committed
            = ReadFile(QStringLiteral(QS_SOURCE_DIR) + "/plugin/board/res/" + name);
        ASSERT_FALSE(committed.isEmpty());
        EXPECT_EQ(committed, ReadFile(directory.filePath(name)));

        // 16 colours: a 4-bit uncompressed BMP with its palette.
        ASSERT_GE(committed.size(), 54);
        EXPECT_EQ(committed.left(2), QByteArray("BM"));
        auto u16 = [&](int at) {
            return static_cast<std::uint8_t>(committed[at])
                | static_cast<std::uint8_t>(committed[at + 1]) << 8;
        };
        EXPECT_EQ(u16(28), 4); // bits per pixel
        EXPECT_EQ(u16(30), 0); // compression
        EXPECT_EQ(u16(22), expected.height);
    }
}

} // namespace
