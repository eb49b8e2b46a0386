// The "設定選択" group shared by the two time-base dialogs: one row per
// candidate with its radio button and four read-only fields.
#pragma once

#include <QGroupBox>
#include <array>

#include "document/TimeBaseRows.h"

class QLineEdit;
class QRadioButton;

namespace kdx {

class TimeBaseRowsGroup : public QGroupBox {
    Q_OBJECT

public:
    TimeBaseRowsGroup(int rowCount, QWidget* parent = nullptr);

    // Shows the computed rows and their selection.
    void Show(const TimeBaseRows& rows);
    // The row the user selected, -1 for none.
    int Selected() const;

    QRadioButton* RowRadio(int row) const { return radios[row]; }
    QLineEdit* Field(int row, int column) const { return fields[row][column]; }
    int RowCount() const { return rowCount; }

private:
    int rowCount;
    std::array<QRadioButton*, 3> radios{};
    std::array<std::array<QLineEdit*, 4>, 3> fields{};
};

}  // namespace kdx
