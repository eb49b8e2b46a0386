// CWaveTimeDlg "トータル時間の設定": File New asks for the time base, either as
// a total time or as a sampling time and a sample count, and the user picks
// one of up to three legal candidates. There is no Cancel button; closing the
// window cancels.
#pragma once

#include <QDialog>
#include <cstdint>

#include "document/TimeBaseRows.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kdx {

class TimeBaseRowsGroup;

class CWaveTimeDlg : public QDialog {
    Q_OBJECT

public:
    CWaveTimeDlg(int64_t presetTotalNs, int64_t presetSamplingNs, int64_t presetCount, QWidget* parent = nullptr);

    // The selected row's values after OK.
    int64_t TotalTime() const { return totalNs; }
    int64_t SamplingTime() const { return samplingNs; }
    int64_t SampleCount() const { return count; }

    // Controls, for tests that type into the dialog.
    QRadioButton* TimeModeRadio() const { return timeMode; }
    QRadioButton* SamplingModeRadio() const { return samplingMode; }
    QLineEdit* TotalEdit() const { return totalEdit; }
    QComboBox* TotalUnitList() const { return totalUnit; }
    QLineEdit* SamplingEdit() const { return samplingEdit; }
    QComboBox* SamplingUnitList() const { return samplingUnit; }
    QLineEdit* CountEdit() const { return countEdit; }
    TimeBaseRowsGroup* Rows() const { return rowsGroup; }
    QPushButton* OkButton() const { return okButton; }
    const TimeBaseRows& Computed() const { return rows; }

private:
    void SwitchMode();
    void Recompute();
    void OnOk();

    QRadioButton* timeMode = nullptr;
    QRadioButton* samplingMode = nullptr;
    QLineEdit* totalEdit = nullptr;
    QComboBox* totalUnit = nullptr;
    QLineEdit* samplingEdit = nullptr;
    QComboBox* samplingUnit = nullptr;
    QLineEdit* countEdit = nullptr;
    TimeBaseRowsGroup* rowsGroup = nullptr;
    QPushButton* okButton = nullptr;
    TimeBaseRows rows;
    int64_t totalNs = 0;
    int64_t samplingNs = 0;
    int64_t count = 0;
};

}  // namespace kdx
