// The sixth window: the datapath drawing of the last word's cycle, or of the
// next word one phase at a time, told in sentences beneath it, with Phase,
// Play, Pause and the speed of Play.
#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <utility>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace mox::ui {

class DatapathView;

class DatapathWindow : public QWidget {
    Q_OBJECT

public:
    DatapathWindow();

    // What the drawing lights and shows, the heading above the narration and
    // the narration's sentences.
    struct Frame {
        QStringList lit;
        std::vector<std::pair<QString, QString>> values;
        QString heading;
        QStringList sentences;
    };
    void showFrame(const Frame& frame);

    bool isPlaying() const { return playTimer.isActive(); }
    // Words a second, 1 to 20.
    int speed() const;
    void setSpeed(int wordsPerSecond);
    void play();
    void pause();
    void toggleFullScreen();

    DatapathView* view() const { return drawing; }
    QPlainTextEdit* narration() const { return narrationBox; }
    QLabel* heading() const { return title; }
    QPushButton* button(const QString& name) const;
    QSlider* speedSlider() const { return slider; }

signals:
    void phaseRequested();
    // One tick of Play: the next word is due.
    void playTick();
    void playingChanged(bool playing);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* createButton(const QString& text, const QString& name, const QString& key);
    QWidget* createControls();
    void createKeys();
    void showSpeed();

    DatapathView* drawing = nullptr;
    QLabel* title = nullptr;
    QPlainTextEdit* narrationBox = nullptr;
    QPushButton* phaseButton = nullptr;
    QPushButton* playButton = nullptr;
    QPushButton* pauseButton = nullptr;
    QSlider* slider = nullptr;
    QLabel* speedText = nullptr;
    QTimer playTimer;
};

} // namespace mox::ui
