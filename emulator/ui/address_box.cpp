#include "address_box.h"

#include "instruction_set.h"
#include "theme.h"
#include "window_frame.h"
#include "zoom.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QToolTip>

namespace mox::ui {

namespace {

// Told to every box when a screen reader comes or goes.
bool screenReaderListens = false;

} // namespace

AddressBox::AddressBox(QWidget* parent, QPoint at, BoxKind kind_)
    : QLabel(QStringLiteral("Address.."), parent), field(new QLineEdit(this)), kind(kind_) {
    setGeometry(at.x(), at.y(), 150, 50);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFont(controlFont());
    setAutoFillBackground(true);

    field->setGeometry(5, 20, 135, 20);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::StrongFocus);
    field->setFrame(false);
    field->setFont(controlFont());
    applyColours();
    field->installEventFilter(this);
    QAccessible::installActivationObserver(this);
}

AddressBox::~AddressBox() {
    QAccessible::removeActivationObserver(this);
}

void AddressBox::accessibilityActiveChanged(bool active) {
    screenReaderListens = active;
    if (active && accessibleStale) {
        updateAccessibleTexts();
    }
}

bool AddressBox::eventFilter(QObject* watched, QEvent* event) {
    // A read-only field has nothing to undo or delete: Backspace and Ctrl+Z
    // are the window's, as for every other control.
    if (watched == field && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->matches(QKeySequence::Copy) && !key->matches(QKeySequence::SelectAll)) {
            event->ignore();
            return true;
        }
    }
    return QLabel::eventFilter(watched, event);
}

void AddressBox::showNumber(std::int32_t address, std::int32_t value, Base base,
                            std::optional<std::int32_t> before) {
    showSlot(address, value, base, before, false);
}

void AddressBox::showNoCell(Base base) {
    showSlot(0, 0, base, std::nullopt, true);
}

void AddressBox::showSlot(std::int32_t address, std::int32_t value, Base base,
                          std::optional<std::int32_t> before, bool noCellSlot) {
    const bool baseChanged = !shown || base != shownBase;
    const bool addressChanged = baseChanged || address != shownAddress || noCell != noCellSlot;
    const bool valueChanged = baseChanged || value != shownValue;
    if (baseChanged || address != shownAddress) {
        setText(QStringLiteral("Address: ") + QString::fromStdString(formatNumber(address, base)));
    }
    if (valueChanged) {
        field->setText(QString::fromStdString(formatNumber(value, base)));
    }
    // Read from the start after every refresh, as a read-only field is: a
    // long binary value would otherwise show only its last digits.
    field->setCursorPosition(0);
    shown = true;
    shownAddress = address;
    shownValue = value;
    shownBase = base;
    noCell = noCellSlot;
    const bool litChanged = before != shownBefore;
    showBefore(before);
    // A lit box's description holds its value; a plain one's only its name.
    if (addressChanged || litChanged || (valueChanged && isLit())) {
        updateAccessibleTexts();
    }
}

void AddressBox::updateAccessibleTexts() {
    // A full run refreshes after every word: the texts are built only for a
    // screen reader that listens, and brought up to date when one comes.
    if (!QAccessible::isActive() && !screenReaderListens) {
        accessibleStale = true;
        return;
    }
    accessibleStale = false;
    QString name;
    QString description;
    if (noCell) {
        name = QStringLiteral("no cell");
    } else if (kind == BoxKind::Register) {
        name = QStringLiteral("register ") +
               QLatin1String(registerNames[static_cast<std::size_t>(shownAddress & 15)]);
        description = QStringLiteral("number %1").arg(shownAddress);
    } else {
        name = QStringLiteral("cell %1").arg(shownAddress, 2, 16, QLatin1Char('0'));
    }
    if (isLit()) {
        const QString changed = QStringLiteral("changed: ") + hint();
        description =
            description.isEmpty() ? changed : description + QStringLiteral(", ") + changed;
    }
    // Set only when they change: every refresh of a full run passes here.
    if (field->accessibleName() != name) {
        field->setAccessibleName(name);
    }
    if (field->accessibleDescription() != description) {
        field->setAccessibleDescription(description);
    }
}

void AddressBox::showBefore(std::optional<std::int32_t> before) {
    const bool lit = before.has_value();
    const bool wasLit = shownBefore.has_value();
    const bool changed = shownBefore != before;
    shownBefore = before;
    if (changed) {
        updateAccessibleTexts();
    }
    if (lit == wasLit) {
        return;
    }
    applyColours();
    // Bold digits and a thick outline besides the ground: told apart by
    // lightness and shape as well as by hue, so every kind of colour vision
    // sees it. The field's own font, which the window's zoom may have scaled.
    QFont font = field->font();
    font.setBold(lit);
    field->setFont(font);
}

void AddressBox::applyColours() {
    const desktop::ThemeColours& look = desktop::colours();
    const bool lit = isLit();
    QPalette boxPalette = palette();
    boxPalette.setColor(QPalette::Window, lit ? look.lit : look.ground);
    boxPalette.setColor(QPalette::WindowText, lit ? look.litText : look.text);
    setPalette(boxPalette);
    QPalette fieldPalette = field->palette();
    fieldPalette.setColor(QPalette::Base, lit ? look.lit : look.ground);
    fieldPalette.setColor(QPalette::Text, lit ? look.litText : look.text);
    field->setPalette(fieldPalette);
}

QString AddressBox::valueText() const {
    return field->text();
}

QString AddressBox::hint() const {
    const QString now = QString::fromStdString(formatNumber(shownValue, shownBase));
    if (!shownBefore) {
        return now;
    }
    return QStringLiteral("was %1, now %2")
        .arg(QString::fromStdString(formatNumber(*shownBefore, shownBase)), now);
}

bool AddressBox::event(QEvent* event) {
    // Built when asked for, not at every refresh. The field passes the
    // request on to its box.
    if (event->type() == QEvent::ToolTip && shown) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), hint(), this);
        return true;
    }
    return QLabel::event(event);
}

void AddressBox::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (isLit()) {
        QPainter painter(this);
        // As thick at every zoom, next to the box's own text.
        const qreal width = desktop::zoomed(this, 3);
        painter.setPen(QPen(desktop::colours().litOutline, width));
        const qreal half = width / 2;
        painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    }
}

} // namespace mox::ui
