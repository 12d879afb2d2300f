#include "datapath_window.h"

#include "datapath_view.h"
#include "window_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace mox::ui {

namespace {

// Slow enough to follow a word, quick enough for a lecture.
constexpr int slowest = 1;
constexpr int fastest = 20;
constexpr int startSpeed = 2;

QFont narrationFont() {
    QFont font = QApplication::font();
    font.setPixelSize(16);
    return font;
}

} // namespace

DatapathWindow::DatapathWindow() {
    setUpResizableTopLevel(this, "CPUPATH", QStringLiteral("MOX77 - Datapath"), QSize(1024, 600));
    setMinimumSize(640, 400);

    drawing = new DatapathView(this);
    title = new QLabel(this);
    QFont headingFont = narrationFont();
    headingFont.setBold(true);
    title->setFont(headingFont);
    narrationBox = new QPlainTextEdit(this);
    narrationBox->setReadOnly(true);
    narrationBox->setTabChangesFocus(true);
    narrationBox->setAccessibleName(QStringLiteral("Narration"));
    narrationBox->setFont(narrationFont());
    narrationBox->setFixedHeight(QFontMetrics(narrationBox->font()).lineSpacing() * 5 + 14);
    narrationBox->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    title->setBuddy(narrationBox);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(drawing, 1);
    layout->addWidget(title);
    layout->addWidget(narrationBox);
    layout->addWidget(createControls());

    playTimer.setTimerType(Qt::PreciseTimer);
    connect(&playTimer, &QTimer::timeout, this, &DatapathWindow::playTick);
    createKeys();
    installFocusFrame(this);
}

QPushButton* DatapathWindow::createButton(const QString& text, const QString& name,
                                          const QString& key) {
    auto* button = new QPushButton(text, this);
    button->setAccessibleName(name);
    button->setToolTip(QStringLiteral("%1 (%2)").arg(name, key));
    button->setAutoDefault(false);
    button->setMinimumWidth(90);
    return button;
}

QWidget* DatapathWindow::createControls() {
    auto* controls = new QWidget(this);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    phaseButton =
        createButton(QStringLiteral("&Phase"), QStringLiteral("Phase"), QStringLiteral("Alt+P"));
    phaseButton->setToolTip(
        QStringLiteral("Phase (Alt+P): the next word one phase at a time; it runs at write"));
    playButton =
        createButton(QStringLiteral("P&lay"), QStringLiteral("Play"), QStringLiteral("Alt+L"));
    pauseButton =
        createButton(QStringLiteral("Pa&use"), QStringLiteral("Pause"), QStringLiteral("Alt+U"));
    connect(phaseButton, &QPushButton::clicked, this, &DatapathWindow::phaseRequested);
    connect(playButton, &QPushButton::clicked, this, &DatapathWindow::play);
    connect(pauseButton, &QPushButton::clicked, this, &DatapathWindow::pause);

    auto* speedLabel = new QLabel(QStringLiteral("&Speed"), controls);
    slider = new QSlider(Qt::Horizontal, controls);
    slider->setRange(slowest, fastest);
    slider->setPageStep(5);
    slider->setValue(startSpeed);
    slider->setAccessibleName(QStringLiteral("Speed"));
    slider->setToolTip(QStringLiteral("Speed (Alt+S): words a second while playing"));
    slider->setMinimumWidth(160);
    speedLabel->setBuddy(slider);
    speedText = new QLabel(controls);
    connect(slider, &QSlider::valueChanged, this, [this] { showSpeed(); });
    showSpeed();

    row->addWidget(phaseButton);
    row->addWidget(playButton);
    row->addWidget(pauseButton);
    row->addSpacing(20);
    row->addWidget(speedLabel);
    row->addWidget(slider);
    row->addWidget(speedText);
    row->addStretch(1);
    pauseButton->setEnabled(false);
    return controls;
}

void DatapathWindow::createKeys() {
    auto* fullScreen = new QAction(QStringLiteral("Full screen"), this);
    fullScreen->setShortcut(QKeySequence(Qt::Key_F11));
    connect(fullScreen, &QAction::triggered, this, &DatapathWindow::toggleFullScreen);
    addAction(fullScreen);
}

void DatapathWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isFullScreen()) {
        toggleFullScreen();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DatapathWindow::closeEvent(QCloseEvent* event) {
    // Nobody watches a closed window play.
    pause();
    QWidget::closeEvent(event);
}

void DatapathWindow::toggleFullScreen() {
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

QPushButton* DatapathWindow::button(const QString& name) const {
    for (QPushButton* b : {phaseButton, playButton, pauseButton}) {
        if (b->accessibleName() == name) {
            return b;
        }
    }
    return nullptr;
}

int DatapathWindow::speed() const {
    return slider->value();
}

void DatapathWindow::setSpeed(int wordsPerSecond) {
    slider->setValue(wordsPerSecond);
}

void DatapathWindow::showSpeed() {
    const QString text = speed() == 1 ? QStringLiteral("1 word a second")
                                      : QStringLiteral("%1 words a second").arg(speed());
    speedText->setText(text);
    slider->setAccessibleDescription(text);
    // Evenly spaced: the interval is kept from tick to tick, not from the
    // end of one word's work to the next.
    playTimer.setInterval(qRound(1000.0 / speed()));
}

void DatapathWindow::play() {
    if (isPlaying()) {
        return;
    }
    playTimer.start();
    // The focus goes where the next key is wanted before Play is disabled.
    const bool hadFocus = playButton->hasFocus();
    pauseButton->setEnabled(true);
    if (hadFocus) {
        pauseButton->setFocus(Qt::OtherFocusReason);
    }
    playButton->setEnabled(false);
    emit playingChanged(true);
}

void DatapathWindow::pause() {
    if (!isPlaying()) {
        return;
    }
    playTimer.stop();
    const bool hadFocus = pauseButton->hasFocus();
    playButton->setEnabled(true);
    if (hadFocus) {
        playButton->setFocus(Qt::OtherFocusReason);
    }
    pauseButton->setEnabled(false);
    emit playingChanged(false);
}

void DatapathWindow::showFrame(const Frame& frame) {
    drawing->show(frame.lit, frame.values);
    title->setText(frame.heading);
    const QString text = frame.sentences.join(QLatin1Char('\n'));
    if (narrationBox->toPlainText() != text) {
        narrationBox->setPlainText(text);
    }
    // Read out as well as shown: the newest sentence on what was pressed,
    // the whole story on the narration.
    narrationBox->setAccessibleDescription(frame.heading + QStringLiteral(". ") +
                                           frame.sentences.join(QLatin1Char(' ')));
    phaseButton->setAccessibleDescription(frame.sentences.value(frame.sentences.size() - 1));
}

} // namespace mox::ui
