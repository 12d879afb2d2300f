#include "datapath_view.h"

#include "pictures.h"
#include "zoom.h"

#include <QEvent>
#include <QFile>
#include <QPainter>
#include <algorithm>

namespace mox::ui {

namespace {

void indexIds(const QDomElement& element, QHash<QString, QDomElement>& index) {
    if (element.hasAttribute(QStringLiteral("id"))) {
        index.insert(element.attribute(QStringLiteral("id")), element);
    }
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        indexIds(child, index);
    }
}

bool hasClass(const QDomElement& element, const QString& name) {
    return element.attribute(QStringLiteral("class"))
        .split(QLatin1Char(' '), Qt::SkipEmptyParts)
        .contains(name);
}

// The titles and notes never change: a text that is one of them.
bool isFixedText(const QDomElement& element) {
    return element.tagName() == QLatin1String("text") &&
           (hasClass(element, QStringLiteral("name")) || hasClass(element, QStringLiteral("note")));
}

// Removes under `element` what `drop` picks, keeping groups, the style sheet
// and the title.
template <class Drop> void prune(QDomElement element, Drop drop) {
    QDomElement child = element.firstChildElement();
    while (!child.isNull()) {
        const QDomElement next = child.nextSiblingElement();
        if (drop(child)) {
            element.removeChild(child);
        } else {
            prune(child, drop);
        }
        child = next;
    }
}

void setText(QDomElement& element, const QString& text) {
    while (element.hasChildNodes()) {
        element.removeChild(element.firstChild());
    }
    if (!text.isEmpty()) {
        element.appendChild(element.ownerDocument().createTextNode(text));
    }
}

QString blankNote() {
    return QStringLiteral("Drawing blanked: B shows it again");
}

} // namespace

DatapathView::DatapathView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Datapath drawing"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    followPalette();
    load(false);
}

void DatapathView::load(bool stacked) {
    // What the drawing shows now, to be shown again in the other one.
    const QStringList wasLit = lit;
    std::vector<std::pair<QString, QString>> values;
    for (const QString& id : std::as_const(filled)) {
        values.emplace_back(id, valueText(id));
    }
    portrait = stacked;
    document = QDomDocument();
    QFile file(datapathDrawingPath(portrait));
    if (file.open(QIODevice::ReadOnly)) {
        document.setContent(&file);
    }
    // Text is most of what drawing costs. The fixed texts are drawn apart,
    // once for a size, above the lines, boxes and values of every frame.
    fixedTexts = document.cloneNode(true).toDocument();
    prune(fixedTexts.documentElement(), [](const QDomElement& e) {
        const QString tag = e.tagName();
        return tag == QLatin1String("rect") || tag == QLatin1String("path") ||
               (tag == QLatin1String("text") && !isFixedText(e));
    });
    prune(document.documentElement(), isFixedText);
    elements.clear();
    indexIds(document.documentElement(), elements);
    for (QDomDocument* drawing : {&document, &fixedTexts}) {
        QDomElement root = drawing->documentElement();
        setClass(root, QStringLiteral("dark"), dark);
    }
    fixedRenderer.load(fixedTexts.toByteArray(-1));
    fixedLayer = QPixmap();
    lit.clear();
    filled.clear();
    show(wasLit, values);
    updateGeometry();
}

QSizeF DatapathView::drawingSize(bool stacked) {
    static const QSizeF sizes[] = {QSvgRenderer(datapathDrawingPath(false)).viewBoxF().size(),
                                   QSvgRenderer(datapathDrawingPath(true)).viewBoxF().size()};
    return sizes[stacked ? 1 : 0];
}

bool DatapathView::stackedDrawsLarger() const {
    const auto scale = [this](bool stacked) {
        const QSizeF box = drawingSize(stacked);
        return box.isEmpty() ? 0.0 : std::min(width() / box.width(), height() / box.height());
    };
    // A margin either way, so that a size near the turn does not flip back
    // and forth as the window is dragged.
    return portrait ? scale(true) * 1.1 >= scale(false) : scale(true) > scale(false) * 1.1;
}

QRectF DatapathView::drawingRect() const {
    // Fitted here rather than by the renderer's aspect-ratio mode, which a
    // fresh load forgets in some Qt versions: the drawing is never stretched.
    const QSizeF box = renderer.viewBoxF().size();
    if (box.isEmpty()) {
        return QRectF(rect());
    }
    const QSizeF fitted = box.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                  fitted);
}

void DatapathView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (stackedDrawsLarger() != portrait) {
        load(!portrait);
    }
}

void DatapathView::setClass(QDomElement& element, const QString& name, bool on) {
    QStringList classes =
        element.attribute(QStringLiteral("class")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    classes.removeAll(name);
    if (on) {
        classes << name;
    }
    if (classes.isEmpty()) {
        element.removeAttribute(QStringLiteral("class"));
    } else {
        element.setAttribute(QStringLiteral("class"), classes.join(QLatin1Char(' ')));
    }
}

void DatapathView::show(const QStringList& ids,
                        const std::vector<std::pair<QString, QString>>& values) {
    const QString litClass = QStringLiteral("lit");
    for (const QString& id : std::as_const(lit)) {
        setClass(elements[id], litClass, false);
    }
    lit.clear();
    for (const QString& id : ids) {
        if (auto it = elements.find(id); it != elements.end() && !lit.contains(id)) {
            setClass(*it, litClass, true);
            lit << id;
        }
    }
    for (const QString& id : std::as_const(filled)) {
        setText(elements[id], QString());
    }
    filled.clear();
    for (const auto& [id, text] : values) {
        if (auto it = elements.find(id); it != elements.end()) {
            setText(*it, text);
            filled << id;
        }
    }
    render();
}

QStringList DatapathView::litIds() const {
    QStringList ids;
    for (auto it = elements.begin(); it != elements.end(); ++it) {
        if (hasClass(*it, QStringLiteral("lit"))) {
            ids << it.key();
        }
    }
    ids.sort();
    return ids;
}

QString DatapathView::valueText(const QString& id) const {
    return elements.value(id).text();
}

void DatapathView::render() {
    // The style sheet is applied as the drawing is read, so a changed class
    // takes a fresh read; the drawing is small enough for every frame.
    renderer.load(document.toByteArray(-1));
    update();
}

void DatapathView::followPalette() {
    const bool wantDark = palette().color(QPalette::Window).lightness() < 128;
    if (wantDark == dark) {
        return;
    }
    dark = wantDark;
    for (QDomDocument* drawing : {&document, &fixedTexts}) {
        QDomElement root = drawing->documentElement();
        setClass(root, QStringLiteral("dark"), dark);
    }
    fixedRenderer.load(fixedTexts.toByteArray(-1));
    fixedLayer = QPixmap();
}

void DatapathView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        const bool wasDark = dark;
        followPalette();
        if (wasDark != dark) {
            render();
        }
    }
    QWidget::changeEvent(event);
}

QSize DatapathView::sizeHint() const {
    return renderer.defaultSize().isValid() ? renderer.defaultSize() : QSize(1000, 450);
}

int DatapathView::heightForWidth(int width) const {
    const QSizeF box = renderer.viewBoxF().size();
    return box.isEmpty() ? width / 2 : qRound(width * box.height() / box.width());
}

void DatapathView::setBlanked(bool blank) {
    if (blank == blanked) {
        return;
    }
    blanked = blank;
    setAccessibleDescription(blanked ? blankNote() : QString());
    update();
}

void DatapathView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (blanked) {
        QFont font = painter.font();
        font.setPixelSize(desktop::zoomed(this, 20));
        painter.setFont(font);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, blankNote());
        ++frames;
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF target = drawingRect();
    renderer.render(&painter, target);
    const qreal scale = devicePixelRatioF();
    if (fixedLayer.size() != size() * scale) {
        fixedLayer = QPixmap(size() * scale);
        fixedLayer.setDevicePixelRatio(scale);
        fixedLayer.fill(Qt::transparent);
        QPainter layer(&fixedLayer);
        layer.setRenderHint(QPainter::Antialiasing);
        fixedRenderer.render(&layer, target);
    }
    painter.drawPixmap(0, 0, fixedLayer);
    ++frames;
}

} // namespace mox::ui
