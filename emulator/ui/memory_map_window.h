// The data memory as a grid of cells in binary, decimal or hexadecimal, paged
// fifteen addresses at a time with the Up and Down pictures.
#pragma once

#include "format.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QLabel;

namespace mox::ui {

class AddressBox;
class Highlights;
class PictureButton;

enum MemoryMapCommand {
    ViewBinaryCommand = 40006,
    ViewDecimalCommand = 40007,
    ViewHexCommand = 40008,
    ClearCommand = 40009,
    FillCommand = 40010,
};

class MemoryMapView {
public:
    static constexpr int cellCount = 20;
    static constexpr int pageStep = 15;

    MemoryMapView(const std::array<std::int32_t, 256>& memory, const Highlights& highlights)
        : memory(memory), highlights(highlights) {}

    // Builds the cells on `parent` in rows of three.
    void create(QWidget* parent);
    void refresh();
    // From the next refresh on.
    void setBase(Base chosen) { base = chosen; }
    void scrollUp();
    void scrollDown();

    int firstAddress() const { return first; }
    AddressBox* cell(int i) const { return cells[static_cast<std::size_t>(i)]; }

private:
    const std::array<std::int32_t, 256>& memory;
    Base base = Base::Hexadecimal;
    const Highlights& highlights;
    std::array<AddressBox*, cellCount> cells{};
    int first = 0;
};

class MemoryMapWindow : public QWidget {
    Q_OBJECT

public:
    // `highlights` tells which cells the last executed words changed.
    MemoryMapWindow(const std::array<std::int32_t, 256>& memory, Highlights& highlights);

    MemoryMapView& view() { return mapView; }
    QWidget* clientArea() const { return client; }
    PictureButton* upPicture() const { return up; }
    PictureButton* downPicture() const { return down; }
    bool upLit() const { return upState.value_or(false); }
    bool downLit() const { return downState.value_or(false); }

    void memoryMapCommand(int id);
    // Checks the base's View item and shows the cells in it from the next
    // refresh on.
    void showBase(Base base);
    void setUpImage(bool lit);
    void setDownImage(bool lit);
    void onApplicationStateChanged(Qt::ApplicationState state);

signals:
    // The View menu chose a base: every number display has to be rewritten.
    void baseChosen(mox::Base base);
    // Clear or Fill put out every highlight, the registers' too.
    void highlightsCleared();
    // Mem > Clear and Fill: every cell to 0 or to 255, which the machine does.
    void clearRequested();
    void fillRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createKeys();

    Highlights& highlights;
    MemoryMapView mapView;
    QWidget* client = nullptr;
    PictureButton* up = nullptr;
    PictureButton* down = nullptr;
    // Nothing shown yet, so that the first request always sets a picture.
    std::optional<bool> upState;
    std::optional<bool> downState;
};

} // namespace mox::ui
