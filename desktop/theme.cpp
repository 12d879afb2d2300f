#include "theme.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QStyleHints>
#include <QToolTip>

namespace mox::desktop {

namespace {

const char* const themeKey = "theme";

const ThemeColours lightColours{
    .ground = QColor(192, 192, 192),
    .text = QColor(0, 0, 0),
    // A yellow from a palette made for colour-blind readers, outlined in a
    // blue far from it in lightness too.
    .lit = QColor(240, 228, 66),
    .litText = QColor(0, 0, 0),
    .litOutline = QColor(0, 90, 160),
    .mark = QColor(0, 50, 100),
    .paper = QColor(255, 255, 255),
    .ink = QColor(0x20, 0x20, 0x20),
    .caretLine = QColor(0xff, 0xf8, 0xd8),
    .margin = QColor(0xec, 0xec, 0xec),
    // Line numbers are read, not decoration: well over 4.5:1 on the margin.
    .marginText = QColor(0x50, 0x50, 0x50),
    .mnemonic = QColor(0x00, 0x30, 0xb0),
    .registerName = QColor(0x8a, 0x1c, 0x8a),
    .number = QColor(0xa0, 0x50, 0x00),
    .comment = QColor(0x3a, 0x7d, 0x3a),
    .errorMarker = QColor(0xd0, 0x10, 0x10),
    .errorMarkerOutline = QColor(0x80, 0x00, 0x00),
    .errorUnderline = QColor(0xe0, 0x00, 0x00),
};

const ThemeColours darkColours{
    .ground = QColor(43, 45, 50),
    .text = QColor(236, 236, 236),
    // The datapath drawing's own dark lit colours.
    .lit = QColor(74, 63, 0),
    .litText = QColor(255, 255, 255),
    .litOutline = QColor(140, 200, 255),
    .mark = QColor(140, 200, 255),
    .paper = QColor(30, 31, 34),
    .ink = QColor(236, 236, 236),
    .caretLine = QColor(52, 50, 38),
    .margin = QColor(43, 45, 50),
    .marginText = QColor(190, 190, 190),
    .mnemonic = QColor(130, 170, 255),
    .registerName = QColor(230, 150, 230),
    .number = QColor(240, 180, 100),
    .comment = QColor(130, 200, 130),
    .errorMarker = QColor(240, 80, 80),
    .errorMarkerOutline = QColor(255, 170, 170),
    .errorUnderline = QColor(255, 100, 100),
};

// White on black, yellow for what is lit: 7:1 and far above everywhere.
const ThemeColours highContrastColours{
    .ground = QColor(0, 0, 0),
    .text = QColor(255, 255, 255),
    .lit = QColor(255, 255, 0),
    .litText = QColor(0, 0, 0),
    .litOutline = QColor(255, 255, 255),
    .mark = QColor(0, 0, 0),
    .paper = QColor(0, 0, 0),
    .ink = QColor(255, 255, 255),
    .caretLine = QColor(48, 48, 48),
    .margin = QColor(0, 0, 0),
    .marginText = QColor(255, 255, 255),
    .mnemonic = QColor(255, 255, 0),
    .registerName = QColor(255, 170, 255),
    .number = QColor(130, 255, 255),
    .comment = QColor(170, 255, 170),
    .errorMarker = QColor(255, 90, 90),
    .errorMarkerOutline = QColor(255, 255, 255),
    .errorUnderline = QColor(255, 90, 90),
};

Theme current = Theme::Light;

// The palette the program started with, before any look was applied.
const QPalette& startPalette() {
    static const QPalette palette = QGuiApplication::palette();
    return palette;
}

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

QPalette darkPalette(const ThemeColours& c, const QColor& button, const QColor& highlight,
                     const QColor& disabledText) {
    QPalette p;
    p.setColor(QPalette::Window, c.ground);
    p.setColor(QPalette::WindowText, c.text);
    p.setColor(QPalette::Base, c.paper);
    p.setColor(QPalette::AlternateBase, c.ground);
    p.setColor(QPalette::Text, c.ink);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, c.text);
    p.setColor(QPalette::BrightText, c.text);
    p.setColor(QPalette::ToolTipBase, button);
    p.setColor(QPalette::ToolTipText, c.text);
    p.setColor(QPalette::PlaceholderText, disabledText);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
    p.setColor(QPalette::Link, c.litOutline);
    p.setColor(QPalette::LinkVisited, c.litOutline);
    // The frames and bevels a style draws: visible on the dark ground.
    p.setColor(QPalette::Light, button.lighter(160));
    p.setColor(QPalette::Midlight, button.lighter(130));
    p.setColor(QPalette::Mid, button.lighter(110));
    p.setColor(QPalette::Dark, c.text.darker(200));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, disabledText);
    }
    return p;
}

QPalette paletteFor(Theme theme) {
    switch (theme) {
    case Theme::Light:
        // The desktop's own when it is light, so that the light look is
        // exactly what the program always showed.
        return isDark(startPalette()) ? QApplication::style()->standardPalette() : startPalette();
    case Theme::Dark:
        return darkPalette(darkColours, QColor(62, 65, 72), QColor(140, 200, 255),
                           QColor(150, 150, 150));
    case Theme::HighContrast:
        return darkPalette(highContrastColours, QColor(0, 0, 0), QColor(255, 255, 0),
                           QColor(170, 170, 170));
    }
    return startPalette();
}

Theme themeOf(ThemeChoice choice) {
    switch (choice) {
    case ThemeChoice::Light:
        return Theme::Light;
    case ThemeChoice::Dark:
        return Theme::Dark;
    case ThemeChoice::HighContrast:
        return Theme::HighContrast;
    case ThemeChoice::System:
        break;
    }
    return systemTheme();
}

struct ChoiceName {
    ThemeChoice choice;
    const char* key;
    const char* label;
};
const ChoiceName choiceNames[] = {
    {ThemeChoice::System, "system", "System"},
    {ThemeChoice::Light, "light", "Light"},
    {ThemeChoice::Dark, "dark", "Dark"},
    {ThemeChoice::HighContrast, "high-contrast", "High Contrast"},
};

} // namespace

const ThemeColours& themeColours(Theme theme) {
    switch (theme) {
    case Theme::Dark:
        return darkColours;
    case Theme::HighContrast:
        return highContrastColours;
    case Theme::Light:
        break;
    }
    return lightColours;
}

Theme currentTheme() {
    return current;
}

const ThemeColours& colours() {
    return themeColours(current);
}

QString themeName(Theme theme) {
    switch (theme) {
    case Theme::Dark:
        return QStringLiteral("Dark");
    case Theme::HighContrast:
        return QStringLiteral("High Contrast");
    case Theme::Light:
        break;
    }
    return QStringLiteral("Light");
}

Theme systemTheme() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
    case Qt::ColorScheme::Dark:
        return Theme::Dark;
    case Qt::ColorScheme::Light:
        return Theme::Light;
    default:
        break;
    }
#endif
    return isDark(startPalette()) ? Theme::Dark : Theme::Light;
}

ThemeController::ThemeController() {
    startPalette();
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    // The desktop switching between light and dark while the program runs.
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this, [this] {
        if (chosen == ThemeChoice::System) {
            apply();
        }
    });
#endif
}

ThemeController::~ThemeController() = default;

void ThemeController::rememberIn(QSettings* store) {
    settings = store;
    useDefaultSettings = store == nullptr;
    choose(stored());
}

ThemeChoice ThemeController::stored() const {
    const QString kept =
        settings ? settings->value(themeKey).toString() : QSettings().value(themeKey).toString();
    for (const ChoiceName& name : choiceNames) {
        if (kept == QLatin1String(name.key)) {
            return name.choice;
        }
    }
    return ThemeChoice::System;
}

Theme ThemeController::theme() const {
    return themeOf(chosen);
}

QMenu* ThemeController::add(QWidget* window, QMenu* menu, std::function<void()> restyled) {
    members.erase(std::remove_if(members.begin(), members.end(),
                                 [](const Member& m) { return m.window.isNull(); }),
                  members.end());
    Member member{window, std::move(restyled), nullptr};
    QMenu* submenu = nullptr;
    if (menu) {
        if (!menu->isEmpty()) {
            menu->addSeparator();
        }
        submenu = menu->addMenu(QStringLiteral("Theme"));
        auto* group = new QActionGroup(submenu);
        for (const ChoiceName& name : choiceNames) {
            QAction* action = submenu->addAction(QString::fromLatin1(name.label));
            action->setCheckable(true);
            action->setChecked(name.choice == chosen);
            action->setData(QString::fromLatin1(name.key));
            group->addAction(action);
            const ThemeChoice choice = name.choice;
            connect(action, &QAction::triggered, this, [this, window, choice] {
                choose(choice);
                announce(window);
            });
        }
        member.group = group;
    }
    members.push_back(member);
    if (shown != Theme::Light && members.back().restyled) {
        members.back().restyled();
    }
    return submenu;
}

void ThemeController::choose(ThemeChoice choice) {
    chosen = choice;
    for (const Member& member : members) {
        if (!member.group) {
            continue;
        }
        for (QAction* action : member.group->actions()) {
            action->setChecked(action->data().toString() ==
                               QLatin1String(choiceNames[static_cast<int>(choice)].key));
        }
    }
    if (settings) {
        settings->setValue(themeKey,
                           QString::fromLatin1(choiceNames[static_cast<int>(choice)].key));
    } else if (useDefaultSettings) {
        QSettings().setValue(themeKey,
                             QString::fromLatin1(choiceNames[static_cast<int>(choice)].key));
    }
    apply();
}

void ThemeController::apply() {
    const Theme next = theme();
    if (next == shown && next == current) {
        return;
    }
    shown = next;
    current = next;
    QApplication::setPalette(paletteFor(current));
    for (const Member& member : members) {
        if (member.window && member.restyled) {
            member.restyled();
        }
    }
    emit themeChanged(current);
}

void ThemeController::announce(QWidget* window) {
    told = QStringLiteral("Theme: %1").arg(themeName(current));
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        main->statusBar()->showMessage(told, 3000);
        return;
    }
    QToolTip::showText(window->mapToGlobal(QPoint(10, 10)), told, window);
}

} // namespace mox::desktop
