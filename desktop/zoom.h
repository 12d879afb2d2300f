// The whole window zoomed from 100 % to 300 %: one controller per program,
// which every window of it joins, and one way a window is scaled.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QSettings;
class QWidget;

namespace mox::desktop {

// Where Zoom In and Zoom Out stop, in percent.
inline constexpr int zoomSteps[] = {100, 125, 150, 175, 200, 250, 300};

// Lays `window` out again at `percent` of what it was at 100 %: each placed
// control's position and size, every font, each layout's margins and
// spacing, fixed and smallest sizes, and the window's own size. The first
// call that leaves 100 % records the window as it is, so make it once every
// control exists; back at 100 % all of that is restored as it was.
void scaleWindow(QWidget* window, int percent);
// The zoom of the window `widget` lies in, in percent.
int windowZoom(const QWidget* widget);
// A point in the window's coordinates, brought back to 100 %: for hit
// rectangles drawn at that size.
QPoint atActualSize(const QWidget* widget, QPoint point);
// A length in pixels at 100 %, at the zoom of the window `widget` lies in.
int zoomed(const QWidget* widget, int pixels);

class ZoomController : public QObject {
    Q_OBJECT

public:
    // The three commands a window gets.
    struct Commands {
        QAction* zoomIn;
        QAction* zoomOut;
        QAction* actualSize;
    };

    ZoomController();

    // The zoom is read from and kept in `settings`; none: the program's
    // default QSettings, read again whenever a first window joins. Without
    // a call, nothing is remembered.
    void rememberIn(QSettings* settings);
    // Zooms `window` with the others from now on. Its keys are Ctrl+= (and
    // Ctrl++), Ctrl+- and Ctrl+0; the commands go at the end of `menu`, or
    // act on the window alone without one. `rescaled` runs after each zoom
    // of the window, for what the window draws itself.
    Commands add(QWidget* window, QMenu* menu = nullptr, std::function<void()> rescaled = {});

    int percent() const { return current; }
    void setPercent(int percent);
    void zoomIn();
    void zoomOut();
    void actualSize();
    // "Zoom 150 %", as last told.
    const QString& announcement() const { return told; }

signals:
    void zoomChanged(int percent);

private:
    struct Member {
        QPointer<QWidget> window;
        std::function<void()> rescaled;
    };
    void apply(Member& member);
    void announce(QWidget* window);
    int stored() const;

    QList<Member> members;
    QSettings* settings = nullptr;
    bool useDefaultSettings = false;
    int current = 100;
    QString told;
};

} // namespace mox::desktop
