// COutputDlg: the modeless "波形出力" window beside the main window. It shows
// what its OutputPanel computes, forwards clicks to it and polls the generator
// every 100 ms from its timer.
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "device/OutputPanel.h"
#include "document/KDXDoc.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kdx {

class COutputDlg : public QDialog, public OutputPanelLink, private OutputPanelHost {
    Q_OBJECT

public:
    using MessageSink = std::function<void(QWidget* parent, const QString& text)>;

    inline static constexpr int PollIntervalMs = 100;

    // Makes the dialog, opens it and shows it; null when the opening failed
    // (its message has been shown). closeRequested runs, queued, when the
    // user closes the window; without it the window finishes by itself.
    static std::unique_ptr<COutputDlg> Create(const CKDXDoc& doc, const OutputIdentity& identity, QWidget* parent,
                                              MessageSink showMessage, std::function<void()> closeRequested = {});
    ~COutputDlg() override;

    // OutputPanelLink.
    void RestoreAndActivate() override;
    OutputSettings TakeSettings() override;
    void Finish() override;
    void SetFilePath(std::string_view path) override;

    // One poll now, as the timer would run it.
    void PollNow();
    bool Polling() const { return pollTimer.isActive(); }
    const OutputPanel& Panel() const { return panel; }
    OutputPanel& Panel() { return panel; }  // a poll without the timer (benchmarks)

    QPushButton* TransferButton() const { return transferButton; }
    QPushButton* StartStopButton() const { return startStopButton; }
    QPushButton* ForceStopButton() const { return forceStopButton; }
    QRadioButton* Radio(int group, int choice) const { return radios[group][choice]; }
    QLineEdit* RepeatEdit() const { return repeatEdit; }
    QLineEdit* GeneratorRepeatBox() const { return generatorRepeatBox; }
    QLabel* StatusLabel() const { return statusLabel; }
    QLabel* VersionLabel() const { return versionLabel; }
    // What the generator holds of the document, in its own text and colour.
    QLabel* HeldLabel() const { return heldLabel; }
    static QColor HeldWaveformColour(HeldWaveform held);

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    COutputDlg(const CKDXDoc& doc, QWidget* parent, MessageSink showMessage, std::function<void()> closeRequested);
    void BuildControls();
    QGroupBox* RadioGroup(int group, const char* title);
    // A button's action: no poll runs until it and its message are over.
    void RunAction(void (OutputPanel::*action)());
    void RequestClose();

    // OutputPanelHost.
    void Present(const OutputPanelDisplay& display, bool now) override;
    OutputControls ReadControls() override;
    void ShowMessage(const std::string& text) override;
    void SetBusy(bool busy) override;

    OutputPanel panel;
    MessageSink showMessage;
    std::function<void()> closeRequested;
    QBasicTimer pollTimer;
    bool finished = false;
    bool busy = false;
    bool actionRunning = false;
    bool closeAfterAction = false;
    std::optional<OutputPanelDisplay> shown;  // what the widgets show

    std::array<std::array<QRadioButton*, 3>, OutputGroupCount> radios{};
    std::array<QButtonGroup*, OutputGroupCount> buttonGroups{};
    QLineEdit* repeatEdit = nullptr;
    QLabel* repeatUnit = nullptr;
    QLineEdit* generatorRepeatBox = nullptr;
    QGroupBox* triggerModeGroup = nullptr;
    QGroupBox* triggerPolarityGroup = nullptr;
    QGroupBox* retriggerGroup = nullptr;
    QLabel* statusLabel = nullptr;
    QLabel* versionLabel = nullptr;
    QLabel* heldLabel = nullptr;
    QPushButton* transferButton = nullptr;
    QPushButton* startStopButton = nullptr;
    QPushButton* forceStopButton = nullptr;
};

}  // namespace kdx
