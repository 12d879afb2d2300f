// Draws the emulator's icon and bitmaps as 24-bit BMP files.
//   mox_artwork <folder>
// The results are committed under emulator/ui/resources; rerun this after
// changing a drawing.
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>

namespace {

const QColor navy(22, 34, 60);
const QColor ink(30, 40, 60);
const QColor teal(40, 170, 190);
const QColor amber(250, 190, 60);
const QColor panel(246, 243, 234);
const QColor darkRed(128, 22, 26);
const QColor rail(196, 206, 220);

QFont sans(int pixels, bool bold = false) {
    QFont f("Liberation Sans");
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

bool save(const QString& folder, int id, int w, int h, const std::function<void(QPainter&)>& draw) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    p.end();
    const QString path = QDir(folder).filePath(QString::number(id) + ".bmp");
    if (!image.save(path, "BMP")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
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

void icon(QPainter& p) {
    // Sixteen flat colours only, so it reads at 32 x 32.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(0, 0, 32, 32, QColor(0, 0, 128));
    p.fillRect(4, 4, 24, 24, QColor(0, 128, 128));
    p.fillRect(7, 7, 18, 18, QColor(0, 0, 0));
    p.setPen(QColor(192, 192, 192));
    for (int i = 0; i < 5; ++i) {
        p.drawLine(9 + i * 4, 1, 9 + i * 4, 3);
        p.drawLine(9 + i * 4, 28, 9 + i * 4, 30);
        p.drawLine(1, 9 + i * 4, 3, 9 + i * 4);
        p.drawLine(28, 9 + i * 4, 30, 9 + i * 4);
    }
    p.setPen(QColor(255, 255, 0));
    p.setFont(sans(11, true));
    p.drawText(QRect(7, 7, 18, 18), Qt::AlignCenter, "77");
}

void mainBackdrop(QPainter& p) {
    QLinearGradient sky(0, 0, 0, 162);
    sky.setColorAt(0, QColor(30, 48, 86));
    sky.setColorAt(1, navy);
    p.fillRect(0, 0, 298, 162, sky);
    rings(p, QPointF(230, 40), 12, 11, teal);
    rings(p, QPointF(250, 150), 7, 13, amber);
    p.setPen(QColor(255, 255, 255));
    p.setFont(sans(40, true));
    p.drawText(QRect(22, 14, 220, 46), Qt::AlignLeft | Qt::AlignVCenter, "MOX77");
    p.setPen(QColor(170, 220, 230));
    p.setFont(sans(14));
    p.drawText(QRect(24, 60, 220, 20), Qt::AlignLeft | Qt::AlignVCenter, "Simple Emulator");
    p.setPen(QPen(amber, 2));
    p.drawLine(24, 84, 150, 84);
}

void aboutPicture(QPainter& p) {
    QRadialGradient g(QPointF(150, 110), 220);
    g.setColorAt(0, QColor(44, 70, 120));
    g.setColorAt(1, navy);
    p.fillRect(0, 0, 300, 300, g);
    rings(p, QPointF(150, 95), 9, 12, teal);
    p.setPen(QColor(255, 255, 255));
    p.setFont(sans(48, true));
    p.drawText(QRect(0, 60, 294, 60), Qt::AlignCenter, "MOX77");
    p.setPen(QColor(170, 220, 230));
    p.setFont(sans(16));
    p.drawText(QRect(0, 118, 294, 22), Qt::AlignCenter, "Simple Emulator");
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
    p.setPen(QColor(150, 165, 190));
    p.setFont(sans(11));
    p.drawText(QRect(10, 262, 274, 18), Qt::AlignCenter, "Click or press a key to close");
}

void executionBackdrop(QPainter& p) {
    QLinearGradient g(0, 0, 400, 200);
    g.setColorAt(0, QColor(36, 56, 96));
    g.setColorAt(1, navy);
    p.fillRect(0, 0, 400, 200, g);
    rings(p, QPointF(50, 170), 8, 12, teal);
    rings(p, QPointF(350, 30), 6, 12, amber);
    p.setPen(QColor(255, 255, 255));
    p.setFont(sans(22, true));
    p.drawText(QRect(10, 20, 106, 30), Qt::AlignLeft | Qt::AlignVCenter, "MOX77");
    p.setPen(QColor(170, 220, 230));
    p.setFont(sans(12));
    p.drawText(QRect(10, 50, 106, 36), Qt::AlignLeft | Qt::AlignTop, "Execution");
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

void memoryBackdrop(QPainter& p) {
    p.fillRect(0, 0, 640, 480, QColor(222, 228, 236));
    p.setPen(QColor(206, 214, 226));
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
    p.fillRect(QRect(533, 47, 85, 356), rail);
    p.setPen(QPen(QColor(120, 134, 156), 2, Qt::DotLine));
    p.drawLine(575, 76, 575, 374);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: mox_artwork <folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    bool ok = save(out, 101, 32, 32, icon);
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
    ok = save(out, 109, 640, 480, memoryBackdrop) && ok;
    ok = save(out, 111, 75, 20,
              [](QPainter& p) {
                  plate(p, {0, 0, 75, 20}, rail, "Up", false, 1);
              }) &&
         ok;
    ok = save(out, 112, 75, 20,
              [](QPainter& p) {
                  plate(p, {0, 0, 75, 20}, rail, "Up", true, 1);
              }) &&
         ok;
    ok = save(out, 113, 75, 20,
              [](QPainter& p) {
                  plate(p, {0, 0, 75, 20}, rail, "Down", false, -1);
              }) &&
         ok;
    ok = save(out, 114, 75, 20,
              [](QPainter& p) {
                  plate(p, {0, 0, 75, 20}, rail, "Down", true, -1);
              }) &&
         ok;
    return ok ? 0 : 1;
}
