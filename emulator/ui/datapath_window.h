// The sixth window: the datapath drawing of the last word's cycle, or of the
// next word one phase at a time, told in sentences beneath it, with Phase,
// Play, Pause and the speed of Play, a timeline to any word of the run, and
// a presenter's keys.
#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstddef>
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

    // Where the run stands, "Word N of M", on the timeline; a text for
    // `unavailable` says why there is no run to move along and disables it.
    void showTimeline(std::size_t word, std::size_t length, const QString& unavailable = {});
    // B: the drawing and its story hidden from the room, the timeline and
    // buttons left; frames shown meanwhile appear when it is shown again.
    void setBlanked(bool blank);
    bool isBlanked() const;

    DatapathView* view() const { return drawing; }
    QPlainTextEdit* narration() const { return narrationBox; }
    QLabel* heading() const { return title; }
    QPushButton* button(const QString& name) const;
    QSlider* speedSlider() const { return slider; }
    QSlider* timelineSlider() const { return timeline; }
    QLabel* timelineText() const { return wordText; }

signals:
    void phaseRequested();
    // One tick of Play: the next word is due.
    void playTick();
    void playingChanged(bool playing);
    // The timeline moved to a word, by the slider, Home or End.
    void timelineMoved(int word);
    // Page Down, Right or period; Page Up or Left; B.
    void stepKeyPressed();
    void backKeyPressed();
    void blankKeyPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* createButton(const QString& text, const QString& name, const QString& key);
    QWidget* createControls();
    QWidget* createTimeline();
    void createKeys();
    void showSpeed();
    // The frame, or the blank note in its place.
    void showShown();

    DatapathView* drawing = nullptr;
    QLabel* title = nullptr;
    QPlainTextEdit* narrationBox = nullptr;
    QPushButton* phaseButton = nullptr;
    QPushButton* playButton = nullptr;
    QPushButton* pauseButton = nullptr;
    QSlider* slider = nullptr;
    QLabel* speedText = nullptr;
    QSlider* timeline = nullptr;
    QLabel* wordText = nullptr;
    QTimer playTimer;
    Frame shown;
};

} // namespace mox::ui
