// The options dialogs of the exports that have options: WAV's sample format
// and digital channels, PWL's channel, high level and edge time. Each opens
// on the choices given and hands back the ones accepted.
#pragma once

#include <QDialog>
#include <cstdint>

#include "frame/ExportForms.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace kdx {

class FormPrompts;

class CWavExportDlg : public QDialog {
    Q_OBJECT

public:
    explicit CWavExportDlg(const WavOptions& preset, QWidget* parent = nullptr);
    WavOptions Options() const;

    QComboBox* FormatList() const { return formatList; }
    QCheckBox* DigitalCheck() const { return digitalCheck; }

private:
    QComboBox* formatList = nullptr;
    QCheckBox* digitalCheck = nullptr;
};

class CPwlExportDlg : public QDialog {
    Q_OBJECT

public:
    CPwlExportDlg(const PwlOptions& preset, int64_t samplingNs, QWidget* parent = nullptr);
    // Where the message of a wrong field goes; nullptr: a real message box.
    void SetPrompts(FormPrompts* prompts) { scriptedPrompts = prompts; }
    // The choices after OK.
    const PwlOptions& Options() const { return options; }

    QComboBox* ChannelList() const { return channelList; }
    QLineEdit* HighEdit() const { return highEdit; }
    QLineEdit* EdgeEdit() const { return edgeEdit; }
    QComboBox* EdgeUnitList() const { return edgeUnit; }
    QPushButton* OkButton() const { return okButton; }

private:
    void OnOk();

    int64_t samplingNs;
    PwlOptions options;
    FormPrompts* scriptedPrompts = nullptr;
    QComboBox* channelList = nullptr;
    QLineEdit* highEdit = nullptr;
    QLineEdit* edgeEdit = nullptr;
    QComboBox* edgeUnit = nullptr;
    QPushButton* okButton = nullptr;
};

}  // namespace kdx
