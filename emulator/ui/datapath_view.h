// The datapath drawing, bound by its ids: lights units and buses and fills
// the value slots by changing the drawing's own elements, then draws it again.
#pragma once

#include <QDomDocument>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QSvgRenderer>
#include <QWidget>
#include <utility>
#include <vector>

namespace mox::ui {

class DatapathView : public QWidget {
    Q_OBJECT

public:
    explicit DatapathView(QWidget* parent = nullptr);

    // Lights exactly `ids` and shows exactly `values` (slot id, text); every
    // other part goes out and every other slot is emptied.
    void show(const QStringList& ids, const std::vector<std::pair<QString, QString>>& values);
    // Nothing lit, every slot empty.
    void clear() { show({}, {}); }

    // A presenter's blank: the drawing gives way to a note that it is blanked
    // and keeps what it shows underneath.
    void setBlanked(bool blank);
    bool isBlanked() const { return blanked; }

    // As the drawing holds them, for whoever checks what is shown.
    QStringList litIds() const;
    QString valueText(const QString& id) const;
    bool isDark() const { return dark; }
    // Whether the drawing stacked top to bottom is shown: in a window taller
    // than wide, where it comes out larger than the one read left to right.
    bool isStacked() const { return portrait; }
    // Frames drawn so far.
    int framesDrawn() const { return frames; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Reads one of the two drawings, showing in it what the other showed.
    void load(bool stacked);
    static QSizeF drawingSize(bool stacked);
    bool stackedDrawsLarger() const;
    // Where the drawing goes: as large as the view allows, in its own shape.
    QRectF drawingRect() const;
    void render();
    // The drawing's own palette follows the window's: dark on a dark one.
    void followPalette();
    void setClass(QDomElement& element, const QString& name, bool on);

    QDomDocument document;
    // The titles and notes, and their picture at the current size.
    QDomDocument fixedTexts;
    QSvgRenderer fixedRenderer;
    QPixmap fixedLayer;
    QHash<QString, QDomElement> elements;
    QStringList lit;
    QStringList filled;
    QSvgRenderer renderer;
    bool dark = false;
    bool portrait = false;
    bool blanked = false;
    int frames = 0;
};

} // namespace mox::ui
