#include "memory_map_window.h"

#include "address_box.h"
#include "format.h"
#include "highlights.h"
#include "pictures.h"
#include "window_frame.h"
#include "zoom.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

namespace mox::ui {

namespace {

// The View menu's items, in its order.
struct BaseItem {
    Base base;
    const char* name;
    int command;
};
constexpr BaseItem baseItems[] = {{Base::Binary, "View as Binary", ViewBinaryCommand},
                                  {Base::Decimal, "View as Decimal", ViewDecimalCommand},
                                  {Base::Hexadecimal, "View as H&ex", ViewHexCommand}};

bool inPictureColumn(QPoint p) {
    return p.x() > 538 && p.x() < 613;
}
bool inUpRectangle(QPoint p) {
    return inPictureColumn(p) && p.y() > 50 && p.y() < 70;
}
bool inDownRectangle(QPoint p) {
    return inPictureColumn(p) && p.y() > 380 && p.y() < 400;
}

} // namespace

void MemoryMapView::create(QWidget* parent) {
    for (int k = 0; k < cellCount; ++k) {
        const int column = k % 3;
        const int row = k / 3;
        auto* box = new AddressBox(parent, QPoint(30 + 175 * column, 70 + 75 * row));
        box->showNumber(0, 0, base);
        cells[static_cast<std::size_t>(k)] = box;
    }
}

void MemoryMapView::refresh() {
    for (int i = 0; i < cellCount; ++i) {
        const int address = first + i;
        // Past the last cell a slot reads address 0, value 0.
        if (address <= 255) {
            cell(i)->showNumber(address, memory[static_cast<std::size_t>(address)], base,
                                highlights.cellBefore(address));
        } else {
            cell(i)->showNoCell(base);
        }
    }
}

void MemoryMapView::scrollUp() {
    if (first > 0) {
        first -= pageStep;
        refresh();
    }
}

void MemoryMapView::scrollDown() {
    if (first < 255) {
        first += pageStep;
        refresh();
    }
}

MemoryMapWindow::MemoryMapWindow(const std::array<std::int32_t, 256>& memory_,
                                 Highlights& highlights_)
    : highlights(highlights_), mapView(memory_, highlights_) {
    setUpTopLevel(this, "CPUMEM", QStringLiteral("Memory Map"), QSize(640, 480));
    move(0, 0);
    auto* menuBar = new QMenuBar(this);
    client = addMenuClient(this, menuBar);
    createMenus();

    createPicture(client, QPoint(0, 0), 109)->setAccessibleName(QStringLiteral("Memory Map"));
    mapView.create(client);
    up = new PictureButton(client, QPoint(538, 50), 111, QStringLiteral("Previous cells"));
    setUpImage(false);
    down = new PictureButton(client, QPoint(538, 380), 113, QStringLiteral("Next cells"));
    setDownImage(false);
    mapView.refresh();
    createKeys();

    client->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &MemoryMapWindow::onApplicationStateChanged);
}

void MemoryMapWindow::createKeys() {
    connect(up, &PictureButton::activated, this, [this] { mapView.scrollUp(); });
    connect(down, &PictureButton::activated, this, [this] { mapView.scrollDown(); });
    const auto addKey = [this](Qt::Key key, void (MemoryMapView::*scroll)()) {
        auto* action = new QAction(this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [this, scroll] { (mapView.*scroll)(); });
        addAction(action);
    };
    addKey(Qt::Key_PageUp, &MemoryMapView::scrollUp);
    addKey(Qt::Key_PageDown, &MemoryMapView::scrollDown);
    // Top to bottom as they stand: Up, the cells row by row, Down.
    QWidget* previous = up;
    for (int i = 0; i < MemoryMapView::cellCount; ++i) {
        QWidget::setTabOrder(previous, mapView.cell(i)->valueField());
        previous = mapView.cell(i)->valueField();
    }
    QWidget::setTabOrder(previous, down);
    installFocusFrame(this);
}

void MemoryMapWindow::createMenus() {
    auto* bar = findChild<QMenuBar*>();
    QMenu* view = bar->addMenu(QStringLiteral("View"));
    // Check marks, not the radio bullets of an exclusive action group;
    // memoryMapCommand moves them.
    for (const BaseItem& item : baseItems) {
        addCommand(view, QString::fromLatin1(item.name), item.command)->setCheckable(true);
    }
    QMenu* mem = bar->addMenu(QStringLiteral("Mem"));
    addCommand(mem, QStringLiteral("Clear"), ClearCommand);
    addCommand(mem, QStringLiteral("Fill"), FillCommand);

    for (QAction* action : findChildren<QAction*>()) {
        const int id = action->data().toInt();
        if (id != 0) {
            connect(action, &QAction::triggered, this, [this, id] { memoryMapCommand(id); });
        }
    }
}

void MemoryMapWindow::showBase(Base base) {
    for (const BaseItem& item : baseItems) {
        findCommand(this, item.command)->setChecked(item.base == base);
    }
    mapView.setBase(base);
}

void MemoryMapWindow::memoryMapCommand(int id) {
    switch (id) {
    case ViewBinaryCommand:
    case ViewDecimalCommand:
    case ViewHexCommand:
        for (const BaseItem& item : baseItems) {
            if (item.command == id) {
                emit baseChosen(item.base);
            }
        }
        break;
    case ClearCommand:
    case FillCommand:
        // The machine's own, which also ends what Back can take back.
        if (id == ClearCommand) {
            emit clearRequested();
        } else {
            emit fillRequested();
        }
        // Not an executed word, so nothing stays lit: a register still lit
        // would read as changed by the Fill.
        highlights.clear();
        mapView.refresh();
        emit highlightsCleared();
        break;
    default:
        break;
    }
}

void MemoryMapWindow::setUpImage(bool lit) {
    if (upState == lit) {
        return;
    }
    showBitmap(up, lit ? 112 : 111);
    up->resize(up->pixmap().deviceIndependentSize().toSize());
    upState = lit;
}

void MemoryMapWindow::setDownImage(bool lit) {
    if (downState == lit) {
        return;
    }
    showBitmap(down, lit ? 114 : 113);
    down->resize(down->pixmap().deviceIndependentSize().toSize());
    downState = lit;
}

void MemoryMapWindow::onApplicationStateChanged(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) {
        setUpImage(false);
        setDownImage(false);
    }
}

bool MemoryMapWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != client) {
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        const QPoint p =
            desktop::atActualSize(this, static_cast<QMouseEvent*>(event)->position().toPoint());
        setUpImage(inUpRectangle(p));
        setDownImage(inDownRectangle(p));
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint p = desktop::atActualSize(this, mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton) {
            if (inUpRectangle(p)) {
                mapView.scrollUp();
            } else if (inDownRectangle(p)) {
                mapView.scrollDown();
            }
        }
        return true;
    }
    return false;
}

void MemoryMapWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

} // namespace mox::ui
