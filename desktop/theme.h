// Light, dark and high-contrast looks for both desktop programs: the colours
// each look paints with, and one controller per program that every window
// joins, so that a change reaches every open window at once.
#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QActionGroup;
class QMenu;
class QSettings;
class QWidget;

namespace mox::desktop {

enum class Theme { Light, Dark, HighContrast };
// What the user picked: a look, or whatever the desktop uses.
enum class ThemeChoice { System, Light, Dark, HighContrast };

// What the windows paint themselves, beyond the application's palette. The
// light look's are the classic windows' own.
struct ThemeColours {
    // The emulator's window ground and its static controls.
    QColor ground;
    QColor text;
    // What an executed word changed, or the next word: a ground, its text
    // and a thick outline, told apart by lightness and shape as well as hue.
    QColor lit;
    QColor litText;
    QColor litOutline;
    // The letters of the next word in the execution window's listing.
    QColor mark;
    // The editor's page.
    QColor paper;
    QColor ink;
    QColor caretLine;
    QColor margin;
    QColor marginText;
    QColor mnemonic;
    QColor registerName;
    QColor number;
    QColor comment;
    QColor errorMarker;
    QColor errorMarkerOutline;
    QColor errorUnderline;
};

const ThemeColours& themeColours(Theme theme);
// The look in use in this program now.
Theme currentTheme();
const ThemeColours& colours();
// "Light", "Dark", "High Contrast".
QString themeName(Theme theme);
// The look the desktop asks for: dark when it says so, light otherwise.
Theme systemTheme();

class ThemeController : public QObject {
    Q_OBJECT

public:
    ThemeController();
    ~ThemeController() override;

    // The choice is read from and kept in `settings`; none: the program's
    // default QSettings. Without a call, nothing is remembered.
    void rememberIn(QSettings* settings);
    // Restyles `window` with the others from now on; a "Theme" submenu goes
    // at the end of `menu` when given. `restyled` runs after each change,
    // for the colours the window sets itself.
    QMenu* add(QWidget* window, QMenu* menu = nullptr, std::function<void()> restyled = {});

    ThemeChoice choice() const { return chosen; }
    Theme theme() const;
    void choose(ThemeChoice choice);
    // "Theme: Dark", as last told.
    const QString& announcement() const { return told; }

signals:
    void themeChanged(mox::desktop::Theme theme);

private:
    struct Member {
        QPointer<QWidget> window;
        std::function<void()> restyled;
        QPointer<QActionGroup> group;
    };
    void apply();
    void announce(QWidget* window);
    ThemeChoice stored() const;

    QList<Member> members;
    QSettings* settings = nullptr;
    bool useDefaultSettings = false;
    ThemeChoice chosen = ThemeChoice::System;
    // What this program's windows show; another program in the same
    // process (a test) may have changed the palette since.
    Theme shown = Theme::Light;
    QString told;
};

} // namespace mox::desktop
