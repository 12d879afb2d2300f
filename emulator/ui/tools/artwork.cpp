// Draws the emulator's icon and bitmaps as 24-bit BMP files, each also at
// twice the size (<id>@2x.bmp) for screens scaled to 200 % and three times
// (<id>@3x.png) for windows zoomed past it, and the program
// icon for desktops under icons/hicolor/ (PNG at the usual sizes, and SVG).
//   mox_artwork <folder>
// The results are committed under emulator/ui/resources; rerun this after
// changing a drawing.
#include "tool_main.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const QColor navy(22, 34, 60);
const QColor ink(30, 40, 60);
const QColor teal(40, 170, 190);
const QColor amber(250, 190, 60);
const QColor panel(246, 243, 234);
const QColor darkRed(128, 22, 26);

// The Memory Map's light ground, and the same for the dark and high-contrast
// looks: the only pictures whose ground is light.
struct Ground {
    const char* suffix;
    QColor ground;
    QColor grid;
    QColor rail;
    QColor railLine;
};
const Ground grounds[] = {
    {"", QColor(222, 228, 236), QColor(206, 214, 226), QColor(196, 206, 220),
     QColor(120, 134, 156)},
    {"-dark", QColor(36, 39, 45), QColor(48, 52, 60), QColor(56, 62, 74), QColor(150, 162, 184)},
    {"-contrast", QColor(0, 0, 0), QColor(40, 40, 40), QColor(0, 0, 0), QColor(255, 255, 255)},
};

QFont sans(int pixels, bool bold = false) {
    QFont f("Liberation Sans");
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

using Drawing = std::function<void(QPainter&)>;

// `draw` on a smoothed painter over an image of `size` filled with `ground`.
QImage paint(QSize size, QImage::Format format, const QColor& ground, const Drawing& draw) {
    QImage image(size, format);
    image.fill(ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    p.end();
    return image;
}

bool write(const QImage& image, const QString& path, const char* format) {
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, format)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// A w x h bitmap and its @2x twin, each drawn by `drawAt` for its scale,
// and a @3x one for windows zoomed past 200 %. A look's version (`suffix`
// "-dark", ...) and the @3x ones are PNG, small for their flat grounds.
bool saveBitmaps(const QString& folder, int id, QSize size,
                 const std::function<void(QPainter&, int scale)>& drawAt, const char* suffix = "") {
    bool ok = true;
    for (const int scale : {1, 2, 3}) {
        const QImage image = paint(size * scale, QImage::Format_RGB888, Qt::white,
                                   [&](QPainter& p) { drawAt(p, scale); });
        const bool png = *suffix != 0 || scale == 3;
        const QString name = QString::number(id) + suffix +
                             (scale > 1 ? QStringLiteral("@%1x").arg(scale) : QString()) +
                             (png ? ".png" : ".bmp");
        ok = write(image, QDir(folder).filePath(name), png ? "PNG" : "BMP") && ok;
    }
    return ok;
}

// The drawing with every coordinate doubled (tripled) for the @2x (@3x)
// twin: each is drawn, none is scaled from another.
bool save(const QString& folder, int id, int w, int h, const Drawing& draw,
          const char* suffix = "") {
    return saveBitmaps(
        folder, id, QSize(w, h),
        [&](QPainter& p, int scale) {
            p.scale(scale, scale);
            draw(p);
        },
        suffix);
}

void rings(QPainter& p, QPointF centre, int count, qreal step, QColor colour) {
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= count; ++i) {
        QColor c = colour;
        c.setAlpha(150 - i * 120 / count);
        p.setPen(QPen(c, i % 3 == 0 ? 3.0 : 1.5));
        p.drawEllipse(centre, i * step, i * step);
    }
}

// A rounded plate with a word on it; the lit version is brighter and glows.
void plate(QPainter& p, QRectF r, QColor ground, const QString& word, bool lit, int arrow) {
    p.fillRect(r, ground);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, lit ? QColor(90, 210, 230) : QColor(60, 84, 124));
    g.setColorAt(1, lit ? QColor(20, 140, 170) : QColor(28, 44, 78));
    const QRectF body = r.adjusted(1, 1, -1, -1);
    p.setPen(QPen(lit ? amber : QColor(14, 22, 40), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(body, 6, 6);
    p.setPen(lit ? QColor(255, 255, 255) : QColor(225, 232, 245));
    p.setFont(sans(int(r.height() * 0.62), true));
    QString text = word;
    if (arrow != 0) {
        text = (arrow > 0 ? QStringLiteral("\u25B2  ") : QStringLiteral("\u25BC  ")) + word;
    }
    p.drawText(body, Qt::AlignCenter, text);
}

// The program icon in an n x n square, laid out on a grid of 32 units. Flat
// colours and whole pixels, so that it stays crisp at 16 as at 256; only the
// digits are smoothed. `textAsPath` writes them as outlines, for SVG files that
// must not depend on the viewer's fonts.
void icon(QPainter& p, int n, bool textAsPath = false) {
    p.setRenderHint(QPainter::Antialiasing, false);
    const auto at = [n](int units) { return (units * n + 16) / 32; };
    const auto square = [&](int from, int to) {
        return QRect(QPoint(at(from), at(from)), QPoint(at(to) - 1, at(to) - 1));
    };
    p.fillRect(0, 0, n, n, QColor(0, 0, 128));
    p.fillRect(square(4, 28), QColor(0, 128, 128));
    p.fillRect(square(7, 25), QColor(0, 0, 0));
    // Pins on every side, like a chip's.
    const QColor pin(192, 192, 192);
    const int width = std::max(1, at(1));
    for (int i = 0; i < 5; ++i) {
        const int x = at(9 + 4 * i);
        for (const int from : {1, 28}) {
            const int length = at(from + 3) - at(from);
            p.fillRect(x, at(from), width, length, pin);
            p.fillRect(at(from), x, length, width, pin);
        }
    }
    const QRect box = square(7, 25);
    const QColor digitColour(255, 255, 0);
    if (n < 24) {
        // Too small for a font: two sevens of 3 x 5 pixels.
        const char* seven[] = {"###", "..#", ".#.", ".#.", ".#."};
        const QPoint origin = box.center() - QPoint(3, 2);
        for (int digit = 0; digit < 2; ++digit) {
            for (int row = 0; row < 5; ++row) {
                for (int column = 0; column < 3; ++column) {
                    if (seven[row][column] == '#') {
                        p.fillRect(origin.x() + 4 * digit + column, origin.y() + row, 1, 1,
                                   digitColour);
                    }
                }
            }
        }
        return;
    }
    const QFont font = sans((11 * n + 16) / 32, true);
    if (!textAsPath) {
        p.setPen(digitColour);
        p.setFont(font);
        p.drawText(box, Qt::AlignCenter, "77");
        return;
    }
    QPainterPath digits;
    digits.addText(0, 0, font, "77");
    const QFontMetricsF metrics(font);
    // Centred as drawText centres: the advance across, the line height down.
    const qreal x = box.x() + (box.width() - metrics.horizontalAdvance("77")) / 2;
    const qreal y = box.y() + (box.height() - metrics.height()) / 2 + metrics.ascent();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(digits.translated(x, y), digitColour);
}

// The desktop's icon theme files: hicolor/<n>x<n>/apps/mox77.png at each
// size it asks for, and hicolor/scalable/apps/mox77.svg.
bool saveThemeIcons(const QString& folder) {
    bool ok = true;
    const QDir hicolor(QDir(folder).filePath("icons/hicolor"));
    for (const int n : {16, 32, 48, 64, 128, 256}) {
        const QImage image = paint(QSize(n, n), QImage::Format_ARGB32, Qt::transparent,
                                   [n](QPainter& p) { icon(p, n); });
        ok = write(image, hicolor.filePath(QString("%1x%1/apps/mox77.png").arg(n)), "PNG") && ok;
    }
    // Drawn into memory first: the generator gives the size in millimetres,
    // and icon themes expect pixels.
    QBuffer drawn;
    QSvgGenerator svg;
    svg.setOutputDevice(&drawn);
    svg.setSize(QSize(32, 32));
    svg.setViewBox(QRect(0, 0, 32, 32));
    svg.setTitle("MOX77");
    svg.setDescription("The MOX77 emulator");
    QPainter p(&svg);
    icon(p, 32, true);
    p.end();
    QString text = QString::fromUtf8(drawn.data());
    text.replace(QRegularExpression(R"(<svg width="[^"]*" height="[^"]*")"),
                 R"(<svg width="32" height="32")");
    const QString svgPath = hicolor.filePath("scalable/apps/mox77.svg");
    QFile file(svgPath);
    if (!QDir().mkpath(QFileInfo(svgPath).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(text.toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svgPath));
        return false;
    }
    return ok;
}

// Where and how large a line of lettering stands.
struct Lettering {
    QRect at;
    int pixels;
    Qt::Alignment align;
};

// The white MOX77 over a pale line, as the backdrops and the About picture
// letter it.
void nameOver(QPainter& p, Lettering name, Lettering line, const QString& text) {
    p.setPen(QColor(255, 255, 255));
    p.setFont(sans(name.pixels, true));
    p.drawText(name.at, name.align, "MOX77");
    p.setPen(QColor(170, 220, 230));
    p.setFont(sans(line.pixels));
    p.drawText(line.at, line.align, text);
}

// A ground shading from `from` to navy along the gradient's line.
void shade(QPainter& p, QSize size, QLinearGradient g, QColor from) {
    g.setColorAt(0, from);
    g.setColorAt(1, navy);
    p.fillRect(0, 0, size.width(), size.height(), g);
}

void mainBackdrop(QPainter& p) {
    shade(p, {298, 162}, QLinearGradient(0, 0, 0, 162), QColor(30, 48, 86));
    rings(p, QPointF(230, 40), 12, 11, teal);
    rings(p, QPointF(250, 150), 7, 13, amber);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    nameOver(p, {QRect(22, 14, 220, 46), 40, left}, {QRect(24, 60, 220, 20), 14, left},
             "Simple Emulator");
    p.setPen(QPen(amber, 2));
    p.drawLine(24, 84, 150, 84);
}

void aboutPicture(QPainter& p) {
    QRadialGradient g(QPointF(150, 110), 220);
    g.setColorAt(0, QColor(44, 70, 120));
    g.setColorAt(1, navy);
    p.fillRect(0, 0, 300, 300, g);
    rings(p, QPointF(150, 95), 9, 12, teal);
    nameOver(p, {QRect(0, 60, 294, 60), 48, Qt::AlignCenter},
             {QRect(0, 118, 294, 22), 16, Qt::AlignCenter}, "Simple Emulator");
    p.setPen(QPen(amber, 2));
    p.drawLine(70, 152, 224, 152);
    p.setPen(QColor(225, 230, 240));
    p.setFont(sans(13));
    p.drawText(QRect(10, 166, 274, 70), Qt::AlignHCenter | Qt::AlignTop,
               "A register machine for learning\nhow a computer runs machine code:\n"
               "16 registers, 256 cells, 15 instructions");
    p.setPen(amber);
    p.setFont(sans(12, true));
    p.drawText(QRect(10, 240, 274, 18), Qt::AlignCenter,
               "zerlant  \u00B7  emulator  \u00B7  editor");
    // Light enough for 4.5:1 on the brightest part of the ground.
    p.setPen(QColor(200, 210, 228));
    p.setFont(sans(11));
    p.drawText(QRect(10, 262, 274, 18), Qt::AlignCenter, "Click or press a key to close");
}

void executionBackdrop(QPainter& p) {
    shade(p, {400, 200}, QLinearGradient(0, 0, 400, 200), QColor(36, 56, 96));
    rings(p, QPointF(50, 170), 8, 12, teal);
    rings(p, QPointF(350, 30), 6, 12, amber);
    nameOver(p, {QRect(10, 20, 106, 30), 22, Qt::AlignLeft | Qt::AlignVCenter},
             {QRect(10, 50, 106, 36), 12, Qt::AlignLeft | Qt::AlignTop}, "Execution");
    // The panel on which the program listing lies.
    const QRect frame(120, 20, 162, 162);
    p.setPen(QPen(QColor(10, 16, 30), 1));
    p.setBrush(QColor(210, 205, 190));
    p.drawRect(frame.adjusted(2, 2, 2, 2));
    p.setBrush(panel);
    p.setPen(QPen(QColor(90, 80, 70), 1));
    p.drawRect(frame);
    p.fillRect(QRect(121, 21, 161, 24), darkRed);
    p.setPen(QColor(255, 240, 230));
    p.setFont(sans(13, true));
    p.drawText(QRect(128, 21, 150, 24), Qt::AlignLeft | Qt::AlignVCenter, "Program");
}

void memoryBackdrop(QPainter& p, const Ground& look) {
    p.fillRect(0, 0, 640, 480, look.ground);
    p.setPen(look.grid);
    for (int x = 0; x < 640; x += 16) {
        p.drawLine(x, 0, x, 480);
    }
    for (int y = 0; y < 480; y += 16) {
        p.drawLine(0, y, 640, y);
    }
    QLinearGradient band(0, 0, 0, 44);
    band.setColorAt(0, QColor(36, 56, 96));
    band.setColorAt(1, navy);
    p.fillRect(0, 0, 640, 44, band);
    p.save();
    p.setClipRect(0, 0, 640, 44);
    rings(p, QPointF(600, 10), 7, 11, teal);
    p.restore();
    p.fillRect(0, 44, 640, 3, amber);
    p.setPen(QColor(255, 255, 255));
    p.setFont(sans(28, true));
    p.drawText(QRect(28, 2, 400, 40), Qt::AlignLeft | Qt::AlignVCenter, "Memory Map");
    p.setPen(QColor(170, 220, 230));
    p.setFont(sans(13));
    p.drawText(QRect(230, 2, 280, 40), Qt::AlignLeft | Qt::AlignVCenter,
               "256 data cells, fifteen to a page");
    // A rail for the Up and Down pictures.
    p.fillRect(QRect(533, 47, 85, 356), look.rail);
    p.setPen(QPen(look.railLine, 2, Qt::DotLine));
    p.drawLine(575, 76, 575, 374);
}

} // namespace

int main(int argc, char** argv) {
    preferOffscreen();
    QGuiApplication app(argc, argv);
    const QString out = outputFolder(argc, argv, "mox_artwork");
    if (out.isEmpty()) {
        return 2;
    }
    // The icon is drawn for its size, not scaled: the 2x bitmap is a 64 drawing.
    bool ok =
        saveBitmaps(out, 101, QSize(32, 32), [](QPainter& p, int scale) { icon(p, 32 * scale); });
    ok = saveThemeIcons(out) && ok;
    ok = save(out, 102, 298, 162, mainBackdrop) && ok;
    ok = save(out, 104, 97, 26,
              [](QPainter& p) {
                  plate(p, {0, 0, 97, 26}, QColor(25, 40, 71), "Run", false, 0);
              }) &&
         ok;
    ok = save(out, 105, 97, 26,
              [](QPainter& p) {
                  plate(p, {0, 0, 97, 26}, QColor(25, 40, 71), "Run", true, 0);
              }) &&
         ok;
    ok = save(out, 107, 300, 300, aboutPicture) && ok;
    ok = save(out, 108, 400, 200, executionBackdrop) && ok;
    for (const Ground& g : grounds) {
        ok = save(
                 out, 109, 640, 480, [&g](QPainter& p) { memoryBackdrop(p, g); }, g.suffix) &&
             ok;
        const struct {
            int id;
            const char* word;
            bool lit;
            int arrow;
        } plates[] = {{111, "Up", false, 1},
                      {112, "Up", true, 1},
                      {113, "Down", false, -1},
                      {114, "Down", true, -1}};
        for (const auto& pl : plates) {
            ok = save(
                     out, pl.id, 75, 20,
                     [&g, &pl](QPainter& p) {
                         plate(p, {0, 0, 75, 20}, g.rail, pl.word, pl.lit, pl.arrow);
                     },
                     g.suffix) &&
                 ok;
        }
    }
    return ok ? 0 : 1;
}
