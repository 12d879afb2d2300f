#include "datapath_window.h"

#include "datapath_view.h"
#include "presenter_keys.h"
#include "window_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace mox::ui {

namespace {

// Slow enough to follow a word, quick enough for a lecture.
constexpr int slowest = 1;
constexpr int fastest = 20;
constexpr int startSpeed = 2;

// Page Down goes on through the run and Page Up back, as on a presenter's
// remote; a plain slider pages the other way round.
class TimelineSlider : public QSlider {
public:
    using QSlider::QSlider;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp) {
            triggerAction(event->key() == Qt::Key_PageDown ? SliderSingleStepAdd
                                                           : SliderSingleStepSub);
            return;
        }
        QSlider::keyPressEvent(event);
    }
};

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
    drawing->setToolTip(
        QStringLiteral("Page Down, Right or . steps; Page Up or Left goes back; B blanks the "
                       "drawing; Home and End go to the start and the end of the run"));
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
    layout->addWidget(createTimeline());
    layout->addWidget(createControls());
    // Never smaller than the rows need: with wider fonts than ours they would
    // be squeezed over one another.
    setMinimumSize(minimumSize().expandedTo(layout->minimumSize()));

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

QWidget* DatapathWindow::createTimeline() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("&Timeline"), row);
    timeline = new TimelineSlider(Qt::Horizontal, row);
    timeline->setAccessibleName(QStringLiteral("Timeline"));
    timeline->setToolTip(QStringLiteral(
        "Timeline (Alt+T): any word of the run; the arrows and Page Up or Down move a word, "
        "Home goes to the start and End to the end"));
    label->setBuddy(timeline);
    wordText = new QLabel(row);
    // Room for a long run's numbers, so the slider does not shift as they grow.
    wordText->setMinimumWidth(
        wordText->fontMetrics().horizontalAdvance(QStringLiteral("Word 000000 of 000000")));
    connect(timeline, &QSlider::valueChanged, this, &DatapathWindow::timelineMoved);
    layout->addWidget(label);
    layout->addWidget(timeline, 1);
    layout->addWidget(wordText);
    showTimeline(0, 0, QStringLiteral("No program loaded"));
    return row;
}

void DatapathWindow::createKeys() {
    auto* fullScreen = new QAction(QStringLiteral("Full screen"), this);
    fullScreen->setShortcut(QKeySequence(Qt::Key_F11));
    connect(fullScreen, &QAction::triggered, this, &DatapathWindow::toggleFullScreen);
    addAction(fullScreen);

    const auto key = [this](const QString& name, QList<QKeySequence> keys, auto signal) {
        connect(addPresenterKeys(this, name, keys), &QAction::triggered, this, signal);
    };
    key(QStringLiteral("Step"),
        {QKeySequence(Qt::Key_PageDown), QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_Period)},
        &DatapathWindow::stepKeyPressed);
    key(QStringLiteral("Back"), {QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::Key_Left)},
        &DatapathWindow::backKeyPressed);
    key(QStringLiteral("Blank"), {QKeySequence(Qt::Key_B)}, &DatapathWindow::blankKeyPressed);
    // The timeline's Home and End, from wherever the focus does not use them.
    connect(addPresenterKeys(this, QStringLiteral("Start of the run"), {Qt::Key_Home}),
            &QAction::triggered, this, [this] {
                if (timeline->isEnabled()) {
                    emit timelineMoved(timeline->minimum());
                }
            });
    connect(addPresenterKeys(this, QStringLiteral("End of the run"), {Qt::Key_End}),
            &QAction::triggered, this, [this] {
                if (timeline->isEnabled()) {
                    emit timelineMoved(timeline->maximum());
                }
            });
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
    shown = frame;
    drawing->show(frame.lit, frame.values);
    showShown();
}

void DatapathWindow::showShown() {
    // The story would give away what the drawing hides.
    const Frame blank{{}, {}, QStringLiteral("Blanked"), {}};
    const Frame& frame = isBlanked() ? blank : shown;
    title->setText(frame.heading);
    const QString text = frame.sentences.join(QLatin1Char('\n'));
    if (narrationBox->toPlainText() != text) {
        narrationBox->setPlainText(text);
    }
    // Read out as well as shown: the newest sentence on what was pressed,
    // the whole story on the narration.
    narrationBox->setAccessibleDescription(isBlanked()
                                               ? drawing->accessibleDescription()
                                               : frame.heading + QStringLiteral(". ") +
                                                     frame.sentences.join(QLatin1Char(' ')));
    phaseButton->setAccessibleDescription(frame.sentences.value(frame.sentences.size() - 1));
}

void DatapathWindow::setBlanked(bool blank) {
    drawing->setBlanked(blank);
    showShown();
}

bool DatapathWindow::isBlanked() const {
    return drawing->isBlanked();
}

void DatapathWindow::showTimeline(std::size_t word, std::size_t length,
                                  const QString& unavailable) {
    // Set from the machine, which has moved already: no move asked back.
    const QSignalBlocker quiet(timeline);
    const auto toInt = [](std::size_t n) {
        return static_cast<int>(std::min<std::size_t>(n, INT_MAX));
    };
    timeline->setRange(0, toInt(length));
    timeline->setValue(toInt(std::min(word, length)));
    timeline->setEnabled(unavailable.isEmpty());
    const QString text =
        unavailable.isEmpty() ? QStringLiteral("Word %1 of %2").arg(word).arg(length) : unavailable;
    wordText->setText(text);
    timeline->setAccessibleDescription(text);
}

} // namespace mox::ui
