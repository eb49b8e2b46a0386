#include "device/qt/OutputDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "document/WaveformFile.h"

namespace kdx {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(const char* s) { return QString::fromUtf8(s); }

QString RadioCaption(int group, int choice, int8_t mark) {
    QString caption = Q(OutputRadioLabel(group, choice));
    if (mark == choice) caption += Q(GeneratorMark);
    return caption;
}

}  // namespace

std::unique_ptr<COutputDlg> COutputDlg::Create(const CKDXDoc& doc, const OutputIdentity& identity, QWidget* parent,
                                               MessageSink showMessage, std::function<void()> closeRequested) {
    std::unique_ptr<COutputDlg> dialog(new COutputDlg(doc, parent, std::move(showMessage), std::move(closeRequested)));
    OutputIdentity opened = identity;
    opened.baseCaption = dialog->windowTitle().toStdString();
    if (!dialog->panel.Open(opened)) return nullptr;
    dialog->show();
    dialog->pollTimer.start(PollIntervalMs, dialog.get());
    return dialog;
}

COutputDlg::COutputDlg(const CKDXDoc& doc, QWidget* parent, MessageSink showMessage,
                       std::function<void()> closeRequested)
    : QDialog(parent),
      panel(doc, *this),
      showMessage(std::move(showMessage)),
      closeRequested(std::move(closeRequested)) {
    setWindowTitle(Q(OutputDialogTitle));
    setModal(false);
    BuildControls();
}

COutputDlg::~COutputDlg() {
    pollTimer.stop();
    SetBusy(false);
}

QGroupBox* COutputDlg::RadioGroup(int group, const char* title) {
    auto* box = new QGroupBox(Q(title), this);
    auto* layout = new QVBoxLayout(box);
    auto* buttons = new QButtonGroup(box);
    for (int choice = 0; choice < OutputGroupChoices(group); ++choice) {
        // Room for the generator's mark from the start, so that the window
        // keeps its size when marks come and go.
        auto* radio = new QRadioButton(RadioCaption(group, choice, static_cast<int8_t>(choice)), box);
        radio->setMinimumWidth(radio->sizeHint().width());
        radio->setText(Q(OutputRadioLabel(group, choice)));
        buttons->addButton(radio, choice);
        layout->addWidget(radio);
        radios[group][choice] = radio;
    }
    buttonGroups[group] = buttons;
    connect(buttons, &QButtonGroup::idClicked, this, [this] { panel.RadioClicked(); });
    return box;
}

void COutputDlg::BuildControls() {
    // Output mode: the repeat count sits beside "繰り返し", the generator's beside it.
    QGroupBox* mode = RadioGroup(GroupOutputMode, "出力モード");
    auto* modeLayout = static_cast<QVBoxLayout*>(mode->layout());
    repeatEdit = new QLineEdit(mode);
    repeatEdit->setMaxLength(10);
    repeatEdit->setAlignment(Qt::AlignRight);
    repeatEdit->setFixedWidth(repeatEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    repeatUnit = new QLabel(QStringLiteral("回"), mode);
    repeatUnit->setBuddy(repeatEdit);
    generatorRepeatBox = new QLineEdit(mode);
    generatorRepeatBox->setReadOnly(true);
    generatorRepeatBox->setFocusPolicy(Qt::NoFocus);
    generatorRepeatBox->setAlignment(Qt::AlignRight);
    generatorRepeatBox->setFixedWidth(repeatEdit->width());
    // The box has no label of its own: it is the count the generator holds,
    // named the way the dialog marks the generator's values.
    generatorRepeatBox->setAccessibleName(QStringLiteral("回") + Q(GeneratorMark));
    auto* repeatRow = new QHBoxLayout;
    modeLayout->removeWidget(radios[GroupOutputMode][1]);
    repeatRow->addWidget(radios[GroupOutputMode][1]);
    repeatRow->addWidget(repeatEdit);
    repeatRow->addWidget(repeatUnit);
    repeatRow->addWidget(generatorRepeatBox);
    repeatRow->addStretch(1);
    modeLayout->addLayout(repeatRow);

    auto* idle = new QGroupBox(QStringLiteral("停止時出力"), this);
    auto* idleLayout = new QHBoxLayout(idle);
    idleLayout->addWidget(RadioGroup(GroupAnalogIdle, "アナログ"));
    idleLayout->addWidget(RadioGroup(GroupDigitalIdle, "ディジタル"));

    auto* sync = new QGroupBox(QStringLiteral("同期出力信号"), this);
    auto* syncLayout = new QHBoxLayout(sync);
    syncLayout->addWidget(RadioGroup(GroupSyncPolarity, "極性"));
    syncLayout->addWidget(RadioGroup(GroupSyncPulseWidth, "パルス幅"));

    QGroupBox* control = RadioGroup(GroupStartStopControl, "開始・停止制御");
    auto* controlLayout = static_cast<QVBoxLayout*>(control->layout());
    triggerModeGroup = RadioGroup(GroupTriggerMode, "トリガーモード");
    triggerPolarityGroup = RadioGroup(GroupTriggerPolarity, "トリガー極性");
    retriggerGroup = RadioGroup(GroupRetrigger, "再トリガー");
    for (QGroupBox* sub : {triggerModeGroup, triggerPolarityGroup, retriggerGroup}) {
        sub->setParent(control);
        controlLayout->addWidget(sub);
    }
    controlLayout->addStretch(1);

    statusLabel = new QLabel(this);
    statusLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusLabel->setMinimumWidth(statusLabel->fontMetrics().horizontalAdvance(QStringLiteral("VELX-9 未接続")) + 16);
    versionLabel = new QLabel(this);
    versionLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    versionLabel->setMinimumWidth(versionLabel->fontMetrics().horizontalAdvance(QStringLiteral("Ver.000")) + 16);
    heldLabel = new QLabel(this);
    heldLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    heldLabel->setMinimumWidth(heldLabel->fontMetrics().horizontalAdvance(Q(HeldWaveformText(HeldWaveform::Earlier))) +
                               16);
    transferButton = new QPushButton(QStringLiteral("データ転送"), this);
    startStopButton = new QPushButton(Q(TextStart), this);
    forceStopButton = new QPushButton(QStringLiteral("強制ストップ"), this);
    for (QPushButton* b : {transferButton, startStopButton, forceStopButton}) {
        b->setAutoDefault(false);
        b->setEnabled(false);
    }
    connect(transferButton, &QPushButton::clicked, this, [this] { RunAction(&OutputPanel::TransferData); });
    connect(startStopButton, &QPushButton::clicked, this, [this] { RunAction(&OutputPanel::StartStop); });
    connect(forceStopButton, &QPushButton::clicked, this, [this] { RunAction(&OutputPanel::ForceStop); });

    auto* left = new QVBoxLayout;
    left->addWidget(mode);
    left->addWidget(idle);
    left->addWidget(sync);
    auto* groups = new QHBoxLayout;
    groups->addLayout(left);
    groups->addWidget(control);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(statusLabel);
    bottom->addWidget(versionLabel);
    bottom->addWidget(heldLabel);
    bottom->addStretch(1);
    bottom->addWidget(transferButton);
    bottom->addWidget(startStopButton);
    bottom->addWidget(forceStopButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QColor COutputDlg::HeldWaveformColour(HeldWaveform held) {
    switch (held) {
    case HeldWaveform::Current: return QColor(0, 128, 0);  // what the user sees is what plays
    case HeldWaveform::Earlier: return QColor(192, 0, 0);  // an edit has not been sent
    case HeldWaveform::Other: return QColor(160, 96, 0);
    default: return QColor(0, 0, 0);
    }
}

void COutputDlg::Present(const OutputPanelDisplay& display, bool now) {
    const OutputPanelDisplay* before = shown ? &*shown : nullptr;
    const auto differs = [before](auto OutputPanelDisplay::*member, const OutputPanelDisplay& d) {
        return before == nullptr || before->*member != d.*member;
    };
    if (differs(&OutputPanelDisplay::caption, display)) setWindowTitle(Q(display.caption));
    for (int g = 0; g < OutputGroupCount; ++g) {
        const int8_t choice = display.controls.radios[g];
        if (buttonGroups[g]->checkedId() != choice) {
            if (choice >= 0) {
                radios[g][choice]->setChecked(true);
            } else {
                // An exclusive group cannot be emptied one button at a time.
                buttonGroups[g]->setExclusive(false);
                for (QAbstractButton* b : buttonGroups[g]->buttons()) b->setChecked(false);
                buttonGroups[g]->setExclusive(true);
            }
        }
        if (before == nullptr || before->marks[g] != display.marks[g]) {
            for (int c = 0; c < OutputGroupChoices(g); ++c) radios[g][c]->setText(RadioCaption(g, c, display.marks[g]));
        }
    }
    // The count box is written only when the panel's copy of it changed, so a
    // count being typed survives every state change the poll shows.
    const QString repeat = Q(display.controls.repeatText);
    if ((before == nullptr || before->controls.repeatText != display.controls.repeatText) &&
        repeatEdit->text() != repeat) {
        repeatEdit->setText(repeat);
    }
    if (differs(&OutputPanelDisplay::generatorRepeatText, display)) {
        generatorRepeatBox->setText(Q(display.generatorRepeatText));
    }
    if (differs(&OutputPanelDisplay::repeatEnabled, display)) {
        for (QWidget* w : std::initializer_list<QWidget*>{repeatEdit, repeatUnit, generatorRepeatBox}) {
            w->setEnabled(display.repeatEnabled);
        }
    }
    if (differs(&OutputPanelDisplay::triggerGroups, display)) {
        triggerModeGroup->setEnabled(display.triggerGroups.trigger);
        triggerPolarityGroup->setEnabled(display.triggerGroups.trigger);
        retriggerGroup->setEnabled(display.triggerGroups.retrigger);
    }
    if (differs(&OutputPanelDisplay::lockedPulseWidth, display) && display.lockedPulseWidth >= 0) {
        radios[GroupSyncPulseWidth][display.lockedPulseWidth]->setEnabled(false);
    }
    if (differs(&OutputPanelDisplay::statusText, display)) statusLabel->setText(Q(display.statusText));
    if (differs(&OutputPanelDisplay::versionText, display)) versionLabel->setText(Q(display.versionText));
    if (differs(&OutputPanelDisplay::held, display)) {
        heldLabel->setText(Q(HeldWaveformText(display.held)));
        QPalette palette = heldLabel->palette();
        palette.setColor(QPalette::WindowText, HeldWaveformColour(display.held));
        heldLabel->setPalette(palette);
    }
    if (differs(&OutputPanelDisplay::buttons, display)) {
        const PanelButtons& b = display.buttons;
        if (before == nullptr || before->buttons.startLabel != b.startLabel) {
            startStopButton->setText(Q(StartLabelText(b.startLabel)));
        }
        transferButton->setEnabled(b.dataTransferEnabled);
        startStopButton->setEnabled(b.startStopEnabled);
        forceStopButton->setEnabled(b.forceStopEnabled);
    }
    shown = display;
    if (now && isVisible()) repaint();
}

OutputControls COutputDlg::ReadControls() {
    OutputControls controls;
    for (int g = 0; g < OutputGroupCount; ++g) controls.radios[g] = static_cast<int8_t>(buttonGroups[g]->checkedId());
    controls.repeatText = repeatEdit->text().toStdString();
    return controls;
}

void COutputDlg::ShowMessage(const std::string& text) {
    if (showMessage) showMessage(isVisible() ? this : parentWidget(), Q(text));
}

void COutputDlg::SetBusy(bool on) {
    if (on == busy) return;
    busy = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void COutputDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != pollTimer.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    PollNow();
}

void COutputDlg::PollNow() {
    // Stopped during the poll and started afresh after it, so polls never
    // overlap however long the generator takes to answer.
    pollTimer.stop();
    panel.Poll();
    if (!finished) pollTimer.start(PollIntervalMs, this);
}

void COutputDlg::RunAction(void (OutputPanel::*action)()) {
    pollTimer.stop();
    actionRunning = true;
    (panel.*action)();
    actionRunning = false;
    if (!finished) pollTimer.start(PollIntervalMs, this);
    if (closeAfterAction) {
        closeAfterAction = false;
        RequestClose();
    }
}

void COutputDlg::RequestClose() {
    if (finished) return;
    if (actionRunning) {
        // Destroying the window under its own message box would pull the
        // action's ground away; close once the action is over.
        closeAfterAction = true;
        return;
    }
    if (closeRequested) {
        QMetaObject::invokeMethod(this, [this] { closeRequested(); }, Qt::QueuedConnection);
    } else {
        Finish();
    }
}

void COutputDlg::closeEvent(QCloseEvent* event) {
    event->ignore();  // the owner closes the window, after taking its settings
    RequestClose();
}

void COutputDlg::reject() { RequestClose(); }

void COutputDlg::RestoreAndActivate() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

OutputSettings COutputDlg::TakeSettings() { return panel.TakeSettings(); }

void COutputDlg::Finish() {
    if (finished) return;
    finished = true;
    pollTimer.stop();
    panel.ReleaseGenerator();
    hide();
}

void COutputDlg::SetFilePath(std::string_view path) { panel.SetDataName(FileNameOf(path)); }

}  // namespace kdx
