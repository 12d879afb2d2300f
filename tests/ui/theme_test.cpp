// The light, dark and high-contrast looks of both programs: text contrast
// measured on the rendered windows in each look, a change reaching every open
// window at once and back to the very pixels of before, lit values told by
// more than colour, and the choice kept.
#include "address_box.h"
#include "datapath_window.h"
#include "editor_window.h"
#include "emulator_window_list.h"
#include "emulator_windows.h"
#include "execution_window.h"
#include "fake_dialogs.h"
#include "main_window.h"
#include "memory_map_window.h"
#include "theme.h"
#include "window_frame.h"

#include <Qsci/qsciscintilla.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <cmath>
#include <map>
#include <optional>

namespace {

using mox::desktop::Theme;
using mox::desktop::ThemeChoice;

double luminance(QRgb c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct InkOnGround {
    QRgb ink;
    QRgb ground;
};

std::map<QRgb, int> colourCounts(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ++counts[image.pixel(x, y) & 0xffffff];
        }
    }
    return counts;
}

QRgb mostCommon(const std::map<QRgb, int>& counts) {
    return std::max_element(counts.begin(), counts.end(),
                            [](auto& a, auto& b) { return a.second < b.second; })
        ->first;
}

// The most common colour is the ground; the colour farthest from it is the
// ink (the letters' solid stems, where their edges blend into the ground).
std::optional<InkOnGround> inkOnGround(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const std::map<QRgb, int> counts = colourCounts(image);
    if (counts.size() < 2) {
        return std::nullopt;
    }
    const QRgb ground = mostCommon(counts);
    QRgb ink = ground;
    for (const auto& [colour, count] : counts) {
        if (contrast(colour, ground) > contrast(ink, ground)) {
            ink = colour;
        }
    }
    return InkOnGround{ink, ground};
}

// A control's text alone: drawn with and without it, the pixels that differ
// are the letters; their ground is what lies under them without text.
std::optional<InkOnGround> textInk(QWidget* w) {
    const auto grabbed = [w] {
        QApplication::processEvents();
        return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage with = grabbed();
    QImage without;
    const QSignalBlocker quiet(w);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        const QString text = label->text();
        label->setText(QString());
        without = grabbed();
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const QString text = button->text();
        button->setText(QString());
        without = grabbed();
        button->setText(text);
    } else if (auto* field = qobject_cast<QLineEdit*>(w)) {
        const QString text = field->text();
        field->setText(QString());
        without = grabbed();
        field->setText(text);
    } else {
        return inkOnGround(with);
    }
    std::map<QRgb, int> grounds;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            if (with.pixel(x, y) != without.pixel(x, y)) {
                ++grounds[without.pixel(x, y) & 0xffffff];
            }
        }
    }
    if (grounds.empty()) {
        return std::nullopt;
    }
    const QRgb ground = mostCommon(grounds);
    QRgb ink = ground;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            const QRgb c = with.pixel(x, y) & 0xffffff;
            if ((without.pixel(x, y) & 0xffffff) == ground &&
                contrast(c, ground) > contrast(ink, ground)) {
                ink = c;
            }
        }
    }
    return InkOnGround{ink, ground};
}

// The largest difference of one colour channel between two pictures of the
// same size; a different size counts as everything different.
int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return 255;
    }
    const QImage ra = a.convertToFormat(QImage::Format_RGB32);
    const QImage rb = b.convertToFormat(QImage::Format_RGB32);
    int largest = 0;
    for (int y = 0; y < ra.height(); ++y) {
        for (int x = 0; x < ra.width(); ++x) {
            const QRgb p = ra.pixel(x, y);
            const QRgb q = rb.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

// Where two pictures of the same size differ.
QRect differenceBox(const QImage& a, const QImage& b) {
    QRect box;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

QString hex(QRgb c) {
    return QStringLiteral("#%1").arg(c & 0xffffff, 6, 16, QLatin1Char('0'));
}

double least(Theme theme) {
    return theme == Theme::HighContrast ? 7.0 : 4.5;
}

// Every enabled control of `window` that shows text, grabbed as it is drawn,
// whose ink stands too close to its ground.
QStringList lowContrast(QWidget* window, Theme theme) {
    QApplication::processEvents();
    QStringList faults;
    QList<QWidget*> texts;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow() || !w->isEnabled()) {
            continue;
        }
        auto* label = qobject_cast<QLabel*>(w);
        auto* button = qobject_cast<QAbstractButton*>(w);
        auto* field = qobject_cast<QLineEdit*>(w);
        if ((label && label->pixmap().isNull() && !label->text().isEmpty()) ||
            (button && !button->text().isEmpty()) || (field && !field->text().isEmpty()) ||
            qobject_cast<QTextEdit*>(w) || qobject_cast<QMenuBar*>(w)) {
            texts.push_back(w);
        }
    }
    for (QWidget* w : texts) {
        const auto seen = textInk(w);
        if (!seen) {
            continue;
        }
        const double ratio = contrast(seen->ink, seen->ground);
        if (ratio < least(theme)) {
            faults << QStringLiteral("%1 %2 '%3': %4 on %5 is %6:1")
                          .arg(window->objectName(), w->metaObject()->className(),
                               w->accessibleName())
                          .arg(hex(seen->ink), hex(seen->ground))
                          .arg(ratio, 0, 'f', 2);
        }
    }
    return faults;
}

// Each kind of word the editor colours, and the line numbers beside them,
// measured line by line; the cursor's line has a ground of its own.
QStringList editorLowContrast(mox::EditorWindow& editor, Theme theme) {
    QsciScintilla* box = editor.editBox();
    box->setText(QStringLiteral("load\nax\n0f\n; a note\nfoo"));
    box->setCursorPosition(4, 0);
    QApplication::processEvents();
    const QImage page = box->viewport()->grab().toImage();
    const int textLeft =
        static_cast<int>(box->SendScintilla(QsciScintilla::SCI_POINTXFROMPOSITION, 0UL, 0L));
    QStringList faults;
    for (int line = 0; line < box->lines(); ++line) {
        const long start = box->positionFromLineIndex(line, 0);
        const long end = box->SendScintilla(QsciScintilla::SCI_GETLINEENDPOSITION, line);
        const int top =
            static_cast<int>(box->SendScintilla(QsciScintilla::SCI_POINTYFROMPOSITION, 0UL, start));
        const int right =
            static_cast<int>(box->SendScintilla(QsciScintilla::SCI_POINTXFROMPOSITION, 0UL, end));
        const int height = box->textHeight(line);
        const QRect parts[] = {QRect(0, top, box->marginWidth(0), height),
                               QRect(textLeft, top, right - textLeft, height)};
        for (const QRect& part : parts) {
            const auto seen = inkOnGround(page.copy(part));
            if (!seen) {
                faults << QStringLiteral("line %1: no text seen").arg(line + 1);
                continue;
            }
            const double ratio = contrast(seen->ink, seen->ground);
            if (ratio < least(theme)) {
                faults << QStringLiteral("line %1 at x %2: %3 on %4 is %5:1")
                              .arg(line + 1)
                              .arg(part.x())
                              .arg(hex(seen->ink), hex(seen->ground))
                              .arg(ratio, 0, 'f', 2);
            }
        }
    }
    return faults;
}

// The emulator two words into a program, every window open: values shown,
// a register and a cell lit.
void openEverything(mox::ui::EmulatorWindows& windows, const QString& program) {
    windows.mainWindow().onMainCommand(mox::ui::StepByStepCommand);
    windows.loadFile(QFile::encodeName(program).toStdString());
    windows.step();
    windows.step();
    windows.showDatapath();
    for (QWidget* w : emulatorWindows(windows)) {
        w->show();
    }
    QApplication::processEvents();
}

QAction* themeEntry(QWidget* window, const QString& menuTitle, const QString& entry) {
    QMenu* menu = mox::ui::findMenu(window, menuTitle);
    if (!menu) {
        menu = window->findChild<QMenuBar*>()->findChild<QMenu*>(menuTitle);
    }
    for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
        if (action->menu() && action->text().remove(QLatin1Char('&')) == QLatin1String("Theme")) {
            for (QAction* item : action->menu()->actions()) {
                if (item->text() == entry) {
                    return item;
                }
            }
        }
    }
    return nullptr;
}

// A lit box's frame as a grey-scale reader sees it: the band just inside its
// edge against the same band of a box that is not lit.
double litFrameContrast(mox::ui::AddressBox& lit, mox::ui::AddressBox& plain) {
    const QImage a = lit.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage b = plain.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Two pixels in from the left edge, halfway down: inside any outline
    // thicker than the plain box's one-pixel line.
    const QPoint at(2, a.height() / 2);
    return contrast(a.pixel(at), b.pixel(at));
}

} // namespace

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void textContrastInEveryLook_data();
    void textContrastInEveryLook();
    void changeReachesEveryOpenWindowAndLightIsExact();
    void editorWindowsChangeTogether();
    void litValuesAreMarkedBeyondColour();
    void choiceIsRemembered();

private:
    QTemporaryDir settingsDir;
    QTemporaryDir work;
    QString program;
    FakeDialogs dialogs;
};

void ThemeTest::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("mox77-test"));
    QCoreApplication::setApplicationName(QStringLiteral("theme-test"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    // A steady caret, so that two pictures of a window differ only by what
    // changed.
    QApplication::setCursorFlashTime(0);
    // load ax, 07; store ax, 05; load bx, 05; halt
    program = work.filePath(QStringLiteral("run.8xe"));
    QFile file(program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("20073005210590013005f000");
}

void ThemeTest::init() {
    QSettings().clear();
}

void ThemeTest::cleanup() {
    mox::EditorWindow::windowTheme().choose(ThemeChoice::Light);
}

void ThemeTest::textContrastInEveryLook_data() {
    QTest::addColumn<ThemeChoice>("choice");
    QTest::addColumn<Theme>("theme");
    QTest::newRow("light") << ThemeChoice::Light << Theme::Light;
    QTest::newRow("dark") << ThemeChoice::Dark << Theme::Dark;
    QTest::newRow("high contrast") << ThemeChoice::HighContrast << Theme::HighContrast;
}

void ThemeTest::textContrastInEveryLook() {
    QFETCH(ThemeChoice, choice);
    QFETCH(Theme, theme);
    mox::ui::EmulatorWindows windows(dialogs);
    openEverything(windows, program);
    windows.theme().choose(choice);
    QCOMPARE(windows.theme().theme(), theme);
    QStringList faults;
    for (QWidget* window : emulatorWindows(windows)) {
        faults << lowContrast(window, theme);
    }
    mox::EditorWindow editor;
    editor.show();
    mox::EditorWindow::windowTheme().choose(choice);
    faults << lowContrast(&editor, theme) << editorLowContrast(editor, theme);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    windows.theme().choose(ThemeChoice::Light);
}

void ThemeTest::changeReachesEveryOpenWindowAndLightIsExact() {
    mox::ui::EmulatorWindows windows(dialogs);
    openEverything(windows, program);
    windows.theme().choose(ThemeChoice::Light);
    const QList<QWidget*> all = emulatorWindows(windows);
    std::vector<QImage> light;
    for (QWidget* w : all) {
        light.push_back(w->grab().toImage());
    }
    // Picked in one window's menu, shown in all of them, ticked in both menus.
    QAction* dark =
        themeEntry(&windows.memoryMapWindow(), QStringLiteral("View"), QStringLiteral("Dark"));
    QVERIFY(dark);
    dark->trigger();
    QApplication::processEvents();
    for (std::size_t i = 0; i < light.size(); ++i) {
        const QImage now = all[static_cast<qsizetype>(i)]->grab().toImage();
        QVERIFY2(now != light[i], qPrintable(all[static_cast<qsizetype>(i)]->objectName()));
        const auto seen = inkOnGround(now);
        QVERIFY(seen);
        QVERIFY2(
            luminance(seen->ground) < 0.2,
            qPrintable(all[static_cast<qsizetype>(i)]->objectName() + ' ' + hex(seen->ground)));
    }
    QAction* darkInMain =
        themeEntry(&windows.mainWindow(), QStringLiteral("Help"), QStringLiteral("Dark"));
    QVERIFY(darkInMain && darkInMain->isChecked());
    QVERIFY(windows.theme().announcement().contains(QStringLiteral("Dark")));
    // Through high contrast and back to light from the other menu: every
    // pixel as it was.
    themeEntry(&windows.mainWindow(), QStringLiteral("Help"), QStringLiteral("High Contrast"))
        ->trigger();
    themeEntry(&windows.mainWindow(), QStringLiteral("Help"), QStringLiteral("Light"))->trigger();
    QApplication::processEvents();
    for (std::size_t i = 0; i < light.size(); ++i) {
        QWidget* window = all[static_cast<qsizetype>(i)];
        // The drawing's letters are rasterised afresh from the same vectors.
        const int tolerance = window == &windows.datapathWindow() ? 8 : 0;
        QVERIFY2(largestDifference(window->grab().toImage(), light[i]) <= tolerance,
                 qPrintable(window->objectName()));
    }
}

void ThemeTest::editorWindowsChangeTogether() {
    mox::EditorWindow first;
    mox::EditorWindow second;
    first.show();
    second.show();
    // No caret, whose blinking and focus are not the look's.
    for (mox::EditorWindow* editor : {&first, &second}) {
        editor->editBox()->SendScintilla(QsciScintilla::SCI_SETCARETWIDTH, 0L);
    }
    second.editBox()->setText(QStringLiteral("load ax, 07"));
    QApplication::processEvents();
    // The page the looks colour: text, margins, scroll bars.
    const QImage before = second.editBox()->grab().toImage();
    QAction* dark = themeEntry(&first, QStringLiteral("&View"), QStringLiteral("Dark"));
    QVERIFY(dark);
    dark->trigger();
    QApplication::processEvents();
    const auto page = inkOnGround(second.editBox()->viewport()->grab().toImage());
    QVERIFY(page && luminance(page->ground) < 0.2);
    themeEntry(&second, QStringLiteral("&View"), QStringLiteral("Light"))->trigger();
    QApplication::processEvents();
    QCOMPARE(second.statusBar()->currentMessage(), QStringLiteral("Theme: Light"));
    const QImage after = second.editBox()->grab().toImage();
    QVERIFY2(after == before, qPrintable(QStringLiteral("differ by %1 within (%2, %3) to (%4, %5)")
                                             .arg(largestDifference(after, before))
                                             .arg(differenceBox(after, before).left())
                                             .arg(differenceBox(after, before).top())
                                             .arg(differenceBox(after, before).right())
                                             .arg(differenceBox(after, before).bottom())));
}

void ThemeTest::litValuesAreMarkedBeyondColour() {
    mox::ui::EmulatorWindows windows(dialogs);
    openEverything(windows, program);
    // After store ax, 05 the cell is lit; its neighbour is not.
    QList<mox::ui::AddressBox*> boxes;
    for (QLabel* label : windows.memoryMapWindow().findChildren<QLabel*>()) {
        if (auto* box = dynamic_cast<mox::ui::AddressBox*>(label)) {
            boxes.push_back(box);
        }
    }
    mox::ui::AddressBox* lit = nullptr;
    mox::ui::AddressBox* plain = nullptr;
    for (mox::ui::AddressBox* box : boxes) {
        (box->isLit() ? lit : plain) = box;
    }
    QVERIFY(lit && plain);
    for (const ThemeChoice choice :
         {ThemeChoice::Light, ThemeChoice::Dark, ThemeChoice::HighContrast}) {
        windows.theme().choose(choice);
        QApplication::processEvents();
        QVERIFY2(litFrameContrast(*lit, *plain) >= 3.0,
                 qPrintable(mox::desktop::themeName(windows.theme().theme())));
        QVERIFY(lit->valueField()->font().bold());
        QVERIFY(!plain->valueField()->font().bold());
    }
    windows.theme().choose(ThemeChoice::Light);
}

void ThemeTest::choiceIsRemembered() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("emulator.ini"));
    {
        mox::ui::EmulatorWindows windows(dialogs);
        windows.rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        QCOMPARE(windows.theme().choice(), ThemeChoice::System);
        windows.theme().choose(ThemeChoice::HighContrast);
    }
    {
        mox::ui::EmulatorWindows windows(dialogs);
        windows.rememberModeIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
        QCOMPARE(windows.theme().choice(), ThemeChoice::HighContrast);
        windows.memoryMapWindow().show();
        QApplication::processEvents();
        const auto seen = inkOnGround(windows.memoryMapWindow().grab().toImage());
        QVERIFY(seen && luminance(seen->ground) < 0.05);
        windows.theme().choose(ThemeChoice::Light);
    }
    // The editor keeps its choice in its own store, which a program started
    // afresh reads.
    mox::EditorWindow::windowTheme().choose(ThemeChoice::Dark);
    mox::desktop::ThemeController fresh;
    fresh.rememberIn(nullptr);
    QCOMPARE(fresh.choice(), ThemeChoice::Dark);
}

QTEST_MAIN(ThemeTest)
#include "theme_test.moc"
