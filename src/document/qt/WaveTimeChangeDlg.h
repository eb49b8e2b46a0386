// CWaveTimeChangeDlg "トータル時間の変更": the total-time change keeps the
// sampling time and lets the sample count follow a new total time, offering
// the count at or below the request and the one above it.
#pragma once

#include <QDialog>
#include <cstdint>

#include "document/TimeBaseRows.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kdx {

class TimeBaseRowsGroup;

class CWaveTimeChangeDlg : public QDialog {
    Q_OBJECT

public:
    CWaveTimeChangeDlg(int64_t currentTotalNs, int64_t currentSamplingNs, int64_t currentCount,
                       QWidget* parent = nullptr);

    // The selected row after OK (the sampling time stays).
    int64_t TotalTime() const { return totalNs; }
    int64_t SampleCount() const { return count; }

    QLineEdit* TotalEdit() const { return totalEdit; }
    QComboBox* TotalUnitList() const { return totalUnit; }
    TimeBaseRowsGroup* Rows() const { return rowsGroup; }
    QPushButton* OkButton() const { return okButton; }
    const TimeBaseRows& Computed() const { return rows; }

private:
    void Recompute();
    void OnOk();

    int64_t samplingNs;
    QLineEdit* totalEdit = nullptr;
    QComboBox* totalUnit = nullptr;
    TimeBaseRowsGroup* rowsGroup = nullptr;
    QPushButton* okButton = nullptr;
    TimeBaseRows rows;
    int64_t totalNs = 0;
    int64_t count = 0;
};

}  // namespace kdx
