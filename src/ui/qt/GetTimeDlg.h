// CGetTimeDlg: asks for a position as a time, absolute or relative to the
// start, the cursor, the time mark or the end. Recomputes on every keystroke;
// OK accepts, closing the window cancels.
#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "ui/GetTimeForm.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kdx {

class CGetTimeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CGetTimeDlg(const GetTimeRequest& request, QWidget* parent = nullptr);

    // The chosen sample position after OK.
    std::optional<uint32_t> Result() const { return form.Result(); }
    const GetTimeForm& Form() const { return form; }

    QLineEdit* TimeEdit() const { return timeEdit; }
    QComboBox* UnitList() const { return unitList; }
    QRadioButton* ReferenceRadio(int reference) const { return radios[reference]; }
    QLineEdit* ReferenceEdit(int reference) const { return referenceEdits[reference]; }
    QPushButton* OkButton() const { return okButton; }

    // Runs the dialog modally; nullopt when closed without OK.
    static std::optional<uint32_t> Ask(const GetTimeRequest& request, QWidget* parent);

private:
    void Update();

    GetTimeForm form;
    std::array<QRadioButton*, 4> radios{};
    std::array<QLineEdit*, 4> referenceEdits{};
    QLineEdit* timeEdit = nullptr;
    QComboBox* unitList = nullptr;
    QPushButton* okButton = nullptr;
};

}  // namespace kdx
