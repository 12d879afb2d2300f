// One picture that goes away at the first click, key or close.
#pragma once

#include <QWidget>

namespace mox::ui {

class AboutWindow : public QWidget {
public:
    AboutWindow();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

} // namespace mox::ui
