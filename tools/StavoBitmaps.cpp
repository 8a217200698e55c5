// stavo-bitmaps: draws the stand board's eight status bitmaps and writes them as 16-colour BMP
// files, the form the board loads them in. The files are committed under plugin/board/res/; run
// this after changing a drawing and commit what it writes.
//
//   stavo-bitmaps [--preview FILE.png] DIRECTORY
//
// Each bitmap is an aircraft silhouette, white with grey details and edges, on a solid colour:
// green for an arrival holding a stand, red for an aircraft without one, blue for the departure
// side of an allocation. The silhouettes are drawn from a few polygons and ellipses, sampled 4 x 4
// times per pixel.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The 16 colours of the classic desktop palette, as red, green, blue.
constexpr std::array<std::array<std::uint8_t, 3>, 16> kPalette { {
    { 0, 0, 0 },
    { 128, 0, 0 },
    { 0, 128, 0 },
    { 128, 128, 0 },
    { 0, 0, 128 },
    { 128, 0, 128 },
    { 0, 128, 128 },
    { 192, 192, 192 },
    { 128, 128, 128 },
    { 255, 0, 0 },
    { 0, 255, 0 },
    { 255, 255, 0 },
    { 0, 0, 255 },
    { 255, 0, 255 },
    { 0, 255, 255 },
    { 255, 255, 255 },
} };

enum : std::uint8_t { kGreen = 2, kSilver = 7, kGrey = 8, kRed = 9, kBlue = 12, kWhite = 15 };

struct Vec {
    double x;
    double y;
};

// A filled shape of one palette colour: a polygon, or an ellipse when `points` is empty.
struct Shape {
    std::uint8_t colour;
    std::vector<Vec> points;
    Vec centre {};
    Vec radius {};

    bool Contains(Vec p) const
    {
        if (points.empty()) {
            const double dx = (p.x - centre.x) / radius.x;
            const double dy = (p.y - centre.y) / radius.y;
            return dx * dx + dy * dy <= 1.0;
        }
        bool inside = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const Vec& a = points[i];
            const Vec& b = points[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
        return inside;
    }
};

Shape Polygon(std::uint8_t colour, std::vector<Vec> points)
{
    return { colour, std::move(points) };
}

Shape Ellipse(std::uint8_t colour, Vec centre, Vec radius)
{
    return { colour, {}, centre, radius };
}

// Side view, nose to the right, on a 20 x 20 grid, the fuselage on rows 9 to 11. Later shapes
// lie on top of earlier ones. Turned up or down, the small parts would only blur the outline: the
// climbing and descending views keep fuselage, fin and a wing across the fuselage.
std::vector<Shape> SideView(double pitch, bool wheelsDown)
{
    const bool turned = pitch != 0.0;
    // Turned nose up, a swept fin would lie down along the tail; it leans forward instead, so
    // that it still stands up once turned.
    const double lean = pitch < 0.0 ? 2.4 : 0.0;
    std::vector<Shape> shapes;
    if (turned)
        shapes.push_back(Polygon(kWhite,
            { { 1.4, 9.4 }, { 1.4 + lean, 5.2 }, { 3.0 + lean, 5.2 }, { 5.4, 9.4 } })); // fin
    else
        shapes.push_back(
            Polygon(kWhite, { { 1.6, 9.4 }, { 1.2, 5.8 }, { 3.0, 5.8 }, { 5.8, 9.4 } }));
    shapes.push_back(Polygon(kWhite, { { 1.0, 9.0 }, { 5.0, 9.0 }, { 5.0, 12.0 }, { 2.2, 10.4 } }));
    shapes.push_back(
        Polygon(kWhite, { { 4.8, 9.0 }, { 16.4, 9.0 }, { 16.4, 12.0 }, { 4.8, 12.0 } }));
    shapes.push_back(Ellipse(kWhite, { 16.4, 10.5 }, { 2.8, 1.5 })); // nose
    if (turned) {
        shapes.push_back(
            Polygon(kSilver, { { 7.4, 10.6 }, { 12.6, 10.6 }, { 11.4, 11.6 }, { 8.2, 11.6 } }));
    } else {
        shapes.push_back(
            Polygon(kSilver, { { 7.6, 11.0 }, { 12.4, 11.0 }, { 11.0, 12.0 }, { 8.4, 12.0 } }));
        shapes.push_back(
            Polygon(kSilver, { { 8.0, 11.8 }, { 11.2, 11.8 }, { 10.4, 13.0 }, { 8.6, 13.0 } }));
    }
    shapes.push_back(Polygon(
        kGrey, { { 16.8, 9.4 }, { 18.0, 9.4 }, { 18.6, 10.2 }, { 16.8, 10.2 } })); // cockpit
    if (turned)
        return shapes;

    shapes.push_back(Polygon(
        kSilver, { { 0.6, 10.0 }, { 4.0, 10.0 }, { 4.0, 11.0 }, { 0.6, 11.0 } })); // tailplane
    shapes.push_back(Ellipse(kSilver, { 12.0, 12.5 }, { 1.5, 0.8 })); // engine
    if (wheelsDown) {
        // Legs one pixel wide, wheels two by two pixels.
        shapes.push_back(
            Polygon(kSilver, { { 10.0, 12.0 }, { 11.0, 12.0 }, { 11.0, 14.0 }, { 10.0, 14.0 } }));
        shapes.push_back(Ellipse(kWhite, { 11.0, 15.0 }, { 1.1, 1.1 }));
        shapes.push_back(
            Polygon(kSilver, { { 15.0, 12.0 }, { 16.0, 12.0 }, { 16.0, 14.0 }, { 15.0, 14.0 } }));
        shapes.push_back(Ellipse(kWhite, { 16.0, 15.0 }, { 1.1, 1.1 }));
    }
    return shapes;
}

// Seen from above, nose up; it fits in 19 rows.
std::vector<Shape> TopView()
{
    return {
        Polygon(kSilver, { { 5.5, 8.9 }, { 7.0, 8.9 }, { 7.0, 11.4 }, { 5.5, 11.4 } }), // engines
        Polygon(kSilver, { { 13.0, 8.9 }, { 14.5, 8.9 }, { 14.5, 11.4 }, { 13.0, 11.4 } }),
        Polygon(kWhite, { { 9.2, 7.6 }, { 0.8, 11.9 }, { 0.8, 13.3 }, { 9.2, 11.6 } }), // wings
        Polygon(kWhite, { { 10.8, 7.6 }, { 19.2, 11.9 }, { 19.2, 13.3 }, { 10.8, 11.6 } }),
        Polygon(
            kSilver, { { 9.4, 15.0 }, { 5.4, 17.2 }, { 5.4, 18.2 }, { 9.4, 17.3 } }), // tailplane
        Polygon(kSilver, { { 10.6, 15.0 }, { 14.6, 17.2 }, { 14.6, 18.2 }, { 10.6, 17.3 } }),
        Polygon(kWhite, { { 8.9, 3.5 }, { 11.1, 3.5 }, { 11.1, 16.0 }, { 8.9, 16.0 } }), // fuselage
        Polygon(
            kWhite, { { 8.9, 15.9 }, { 11.1, 15.9 }, { 10.5, 18.8 }, { 9.5, 18.8 } }), // tail cone
        Ellipse(kWhite, { 10.0, 3.6 }, { 1.1, 2.6 }), // nose
        Polygon(kGrey, { { 9.4, 2.6 }, { 10.6, 2.6 }, { 10.6, 3.4 }, { 9.4, 3.4 } }), // cockpit
    };
}

struct Bitmap {
    int id;
    int width;
    int height;
    std::vector<std::uint8_t> pixels; // palette indices, row by row from the top
};

// Draws the shapes, turned by `degrees` about the centre (positive: nose down) and moved down
// by `shift` pixels, on the background colour.
Bitmap Draw(int id, int height, std::uint8_t background, const std::vector<Shape>& shapes,
    double degrees, double shift)
{
    constexpr int kWidth = 20;
    constexpr int kSamples = 4;
    const double angle = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    Bitmap bitmap { id, kWidth, height, std::vector<std::uint8_t>(kWidth * height, background) };

    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::array<int, 16> votes {};
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    // The sample point, turned back into the drawing's own frame.
                    const double px = x + (sx + 0.5) / kSamples - 10.0;
                    const double py = y + (sy + 0.5) / kSamples - 10.0 - shift;
                    const Vec q { 10.0 + c * px + s * py, 10.0 - s * px + c * py };
                    for (auto it = shapes.rbegin(); it != shapes.rend(); ++it) {
                        if (it->Contains(q)) {
                            ++votes[it->colour];
                            ++covered;
                            break;
                        }
                    }
                }
            }
            constexpr int kAll = kSamples * kSamples;
            std::uint8_t& pixel = bitmap.pixels[y * kWidth + x];
            if (2 * covered > kAll) {
                int best = 0;
                for (int i = 1; i < 16; ++i)
                    if (votes[i] > votes[best])
                        best = i;
                pixel = static_cast<std::uint8_t>(best);
            } else if (8 * covered >= 3 * kAll) {
                pixel = kSilver; // an edge: softened against the background
            }
        }
    }
    return bitmap;
}

std::vector<Bitmap> AllBitmaps()
{
    constexpr double kDescending = 20.0;
    constexpr double kClimbing = -20.0;
    const auto descending = SideView(kDescending, false);
    const auto climbing = SideView(kClimbing, false);
    const auto ground = SideView(0.0, true);
    const auto top = TopView();
    return {
        Draw(139, 20, kGreen, descending, kDescending, 0.0),
        Draw(141, 20, kRed, descending, kDescending, 0.0),
        Draw(142, 20, kRed, climbing, kClimbing, 0.0),
        Draw(146, 20, kRed, ground, 0.0, -1.0),
        Draw(180, 20, kGreen, top, 0.0, 0.0),
        Draw(181, 19, kRed, top, 0.0, 0.0),
        Draw(183, 20, kBlue, climbing, kClimbing, 0.0),
        Draw(186, 20, kBlue, ground, 0.0, -1.0),
    };
}

void Put16(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// A 4-bit, uncompressed, bottom-up BMP with the whole 16-colour palette.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap)
{
    const std::uint32_t rowBytes = ((bitmap.width * 4 + 31) / 32) * 4;
    const std::uint32_t imageBytes = rowBytes * bitmap.height;
    const std::uint32_t offset = 14 + 40 + 16 * 4;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageBytes);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(bitmap.width));
    Put32(out, static_cast<std::uint32_t>(bitmap.height));
    Put16(out, 1); // planes
    Put16(out, 4); // bits per pixel
    Put32(out, 0); // no compression
    Put32(out, imageBytes);
    Put32(out, 2835); // 72 dots per inch
    Put32(out, 2835);
    Put32(out, 16); // colours used
    Put32(out, 0);
    for (const auto& rgb : kPalette) {
        out.push_back(rgb[2]);
        out.push_back(rgb[1]);
        out.push_back(rgb[0]);
        out.push_back(0);
    }
    for (int y = bitmap.height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(rowBytes, 0);
        for (int x = 0; x < bitmap.width; ++x) {
            const std::uint8_t index = bitmap.pixels[y * bitmap.width + x];
            row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

// The written files read back and laid out side by side, enlarged, each with its number.
bool WritePreview(
    const std::string& path, const std::string& directory, const std::vector<Bitmap>& bitmaps)
{
    constexpr int kScale = 10;
    constexpr int kCell = 20 * kScale + 20;
    QImage sheet(kCell * static_cast<int>(bitmaps.size()), kCell + 30, QImage::Format_RGB32);
    sheet.fill(QColor(220, 220, 220));
    QPainter painter(&sheet);
    QFont font;
    font.setPixelSize(18);
    painter.setFont(font);
    int left = 10;
    for (const Bitmap& bitmap : bitmaps) {
        const QString file
            = QString::fromStdString(directory) + '/' + QString::number(bitmap.id) + ".bmp";
        QImage image(file, "BMP");
        if (image.isNull()) {
            std::fprintf(stderr, "stavo-bitmaps: cannot read back %s\n", qPrintable(file));
            return false;
        }
        painter.drawImage(QRect(left, 10, image.width() * kScale, image.height() * kScale), image);
        painter.drawText(
            QRect(left, kCell, 20 * kScale, 30), Qt::AlignCenter, QString::number(bitmap.id));
        left += kCell;
    }
    painter.end();
    if (!sheet.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "stavo-bitmaps: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

void Usage(std::FILE* to)
{
    std::fputs("usage: stavo-bitmaps [--preview FILE.png] DIRECTORY\n"
               "Writes the stand board's status bitmaps 139, 141, 142, 146, 180, 181, 183 and\n"
               "186 into DIRECTORY as 16-colour BMP files; with --preview also an enlarged\n"
               "picture of all eight, read back from the files.\n",
        to);
}

} // namespace

int main(int argc, char** argv)
{
    std::string directory;
    std::string preview;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        }
        if (arg == "--preview" && i + 1 < argc) {
            preview = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && directory.empty()) {
            directory = arg;
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (directory.empty()) {
        Usage(stderr);
        return 2;
    }

    const std::vector<Bitmap> bitmaps = AllBitmaps();
    for (const Bitmap& bitmap : bitmaps) {
        const std::string path = directory + '/' + std::to_string(bitmap.id) + ".bmp";
        if (!WriteFile(path, EncodeBmp(bitmap))) {
            std::fprintf(stderr, "stavo-bitmaps: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    if (!preview.empty()) {
        // The preview's labels need fonts, and so an application; no screen is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        if (!WritePreview(preview, directory, bitmaps))
            return 1;
    }
    return 0;
}
