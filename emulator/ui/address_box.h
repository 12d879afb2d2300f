// The bordered number boxes: the register boxes and the Memory Map cells.
#pragma once

#include "format.h"

#include <QAccessible>
#include <QLabel>
#include <cstdint>
#include <optional>

class QLineEdit;

namespace mox::ui {

// What a box stands for, which its accessible name tells.
enum class BoxKind { Register, Cell };

// A bordered box titled "Address: <n>" holding a read-only value field; the
// register boxes and the Memory Map cells are all made of these.
class AddressBox : public QLabel, private QAccessible::ActivationObserver {
public:
    AddressBox(QWidget* parent, QPoint at, BoxKind kind = BoxKind::Cell);
    ~AddressBox() override;

    // `before` is the value an executed word changed, for a lit box; nothing
    // for a plain one. Texts are set only when what they show changes, so
    // that refreshing after every executed word stays cheap.
    void showNumber(std::int32_t address, std::int32_t value, Base base,
                    std::optional<std::int32_t> before = std::nullopt);
    // Lights or puts out the box, leaving its texts as they are.
    void showBefore(std::optional<std::int32_t> before);

    QString valueText() const;
    bool isLit() const { return shownBefore.has_value(); }
    // The ground and text of the look in use, lit or not.
    void applyColours();
    // The tooltip: "was <before>, now <value>" on a lit box, else the whole
    // value, which a long binary number does not show.
    QString hint() const;
    QLineEdit* valueField() const { return field; }
    // A Memory Map slot past the last cell: it shows address 0, value 0.
    void showNoCell(Base base);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The field's accessible name and description: "register ax" or "cell
    // 05", and what a lit box changed.
    void updateAccessibleTexts();
    void accessibilityActiveChanged(bool active) override;
    void showSlot(std::int32_t address, std::int32_t value, Base base,
                  std::optional<std::int32_t> before, bool noCellSlot);

    QLineEdit* field;
    BoxKind kind;
    bool noCell = false;
    // The accessible texts lag behind while no screen reader listens.
    bool accessibleStale = true;
    bool shown = false;
    std::int32_t shownAddress = 0;
    std::int32_t shownValue = 0;
    Base shownBase = Base::Binary;
    std::optional<std::int32_t> shownBefore;
};

} // namespace mox::ui
