// quorvex-icon: draws the proxy's program icon and writes it as a PNG. The file is committed as
// proxy/app/res/quorvex.png and compiled into the program; run this after changing the drawing,
// look at the result, and commit both.
//
//   quorvex-icon [--size PIXELS] FILE.png
//
// The icon is a radar scope whose sweep runs out through the rim at the lower right, so that the
// scope reads as a "Q": a dark green screen with range rings, a fading sweep, two echoes and an
// aircraft heading north-east, on a rounded dark blue tile.
#include <QConicalGradient>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 100.0, size / 100.0); // drawn on a 100 x 100 grid

    // The tile.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 33, 61));
    painter.drawRoundedRect(QRectF(2, 2, 96, 96), 18, 18);

    // The screen, its rings and cross.
    const QPointF centre(46, 46);
    painter.setBrush(QColor(8, 52, 38));
    painter.drawEllipse(centre, 36, 36);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(61, 220, 132, 110), 1.6));
    painter.drawEllipse(centre, 12, 12);
    painter.drawEllipse(centre, 24, 24);
    painter.drawLine(QPointF(centre.x() - 36, centre.y()), QPointF(centre.x() + 36, centre.y()));
    painter.drawLine(QPointF(centre.x(), centre.y() - 36), QPointF(centre.x(), centre.y() + 36));

    // The sweep: a wedge that fades behind the beam, which points to the lower right.
    QConicalGradient fade(centre, -45);
    fade.setColorAt(0.0, QColor(61, 220, 132, 200));
    fade.setColorAt(0.16, QColor(61, 220, 132, 0));
    fade.setColorAt(1.0, QColor(61, 220, 132, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fade);
    QPainterPath wedge;
    wedge.moveTo(centre);
    wedge.arcTo(QRectF(centre.x() - 36, centre.y() - 36, 72, 72), -45, 60);
    wedge.closeSubpath();
    painter.drawPath(wedge);

    // The rim, and the beam running out through it as the tail of the Q.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(61, 220, 132), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(centre, 36, 36);
    painter.drawLine(centre, QPointF(86, 86));

    // Two echoes and an aircraft.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(180, 255, 200));
    painter.drawEllipse(QPointF(62, 52), 3, 3);
    painter.drawEllipse(QPointF(33, 63), 2.5, 2.5);
    painter.translate(31, 29);
    painter.rotate(45);
    painter.setBrush(Qt::white);
    QPainterPath plane;
    plane.moveTo(0, -11); // nose
    plane.cubicTo(2, -9, 2, -6, 2, -3);
    plane.lineTo(11, 2);
    plane.lineTo(11, 5);
    plane.lineTo(2, 3);
    plane.lineTo(1.5, 8);
    plane.lineTo(5, 10.5);
    plane.lineTo(5, 12.5);
    plane.lineTo(0, 11);
    plane.lineTo(-5, 12.5);
    plane.lineTo(-5, 10.5);
    plane.lineTo(-1.5, 8);
    plane.lineTo(-2, 3);
    plane.lineTo(-11, 5);
    plane.lineTo(-11, 2);
    plane.lineTo(-2, -3);
    plane.cubicTo(-2, -6, -2, -9, 0, -11);
    painter.drawPath(plane);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    int size = 256;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: quorvex-icon [--size PIXELS] FILE.png\n"
                        "Draws Quorvex's program icon (default 256 x 256 pixels) into FILE.png.\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            size = std::atoi(argv[++i]);
            if (size < 16 || size > 1024) {
                std::fprintf(stderr, "quorvex-icon: --size takes 16 to 1024 pixels\n");
                return 2;
            }
        } else if (file == nullptr && argv[i][0] != '-') {
            file = argv[i];
        } else {
            std::fprintf(stderr, "quorvex-icon: unexpected argument %s (see --help)\n", argv[i]);
            return 2;
        }
    }
    if (file == nullptr) {
        std::fprintf(stderr, "usage: quorvex-icon [--size PIXELS] FILE.png\n");
        return 2;
    }
    if (!DrawIcon(size).save(QString::fromLocal8Bit(file), "PNG")) {
        std::fprintf(stderr, "quorvex-icon: cannot write %s\n", file);
        return 1;
    }
    return 0;
}
