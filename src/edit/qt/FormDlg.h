// The Qt side of every editing dialog: CFormDlg binds each field's edit box,
// unit list and "×" marker to an EditForm by its id and shows what the form
// says after every change; its messages go through QtFormPrompts. The analog
// generators' frame and the digital dialogs build on it.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "edit/EditForm.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kdx {

// Message boxes with the program's texts: OK only, or OK and Cancel.
class QtFormPrompts : public FormPrompts {
public:
    explicit QtFormPrompts(QWidget* parent) : parent(parent) {}
    void Inform(const std::string& text) override;
    bool Confirm(const std::string& text) override;

private:
    QWidget* parent;
};

// What every dialog on an EditForm shares: rows that bind a field's edit box,
// unit list and "×" marker to the form by its id (labelled for assistive
// technology by their visible labels), the refresh that shows the form's state
// in them, the prompts its messages go through, and an Enter key that does
// nothing.
class CFormDlg : public QDialog {
    Q_OBJECT

public:
    // The form is the caller's and outlives the dialog.
    CFormDlg(EditForm& form, const QString& title, QWidget* parent = nullptr);
    ~CFormDlg() override;

    // Where messages go; nullptr (the default) shows real message boxes.
    void SetPrompts(FormPrompts* prompts) { scriptedPrompts = prompts; }

    QLineEdit* Edit(int id) const;
    QComboBox* UnitList(int id) const;
    QLabel* Marker(int id) const;

    // Shows the form's state in every control.
    void Refresh();

protected:
    // Rows of the fields grid: label, edit box, unit (list or text), marker.
    void AddTimeRow(const QString& label, int id);
    void AddValueRow(const QString& label, int id, const QString& unit);
    void AddListRow(const QString& label, int id, const QStringList& units);
    // A row whose label is a radio button of a two-way choice.
    QRadioButton* AddRadioTimeRow(const QString& label, int id);
    QRadioButton* AddRadioValueRow(const QString& label, int id, const QString& unit);
    // A time row led by the caller's widget (a list, say); name labels the
    // edit box and its unit list for assistive technology.
    void AddTimeRowAfter(QWidget* lead, const QString& name, int id);
    // A row whose edit box offers earlier entries in a list (newest first);
    // the box spans the edit and unit columns.
    QComboBox* AddHistoryRow(const QString& label, int id, const QStringList& entries);
    // A row choosing one of several entries, reported by index.
    QComboBox* AddChoiceRow(const QString& label, const QStringList& entries, const std::function<void(int)>& chosen);
    // A display-only edit box in a row already begun (for derived values).
    QLineEdit* AddDisplayBox(int id, const QString& accessibleName, int column);
    // Any other widget in the next row's columns (its own label included).
    void AddRowWidget(QWidget* widget, int column, int columnSpan = 1);
    // The rows of a file source: the label (or radio), the read-only name box
    // and "参照・読込", then the progress bar, hidden but keeping its place.
    struct FileRows {
        QLineEdit* name = nullptr;
        QPushButton* browse = nullptr;
        QProgressBar* progress = nullptr;
    };
    FileRows AddFileRows(QWidget* label, const QString& nameAccessible, const QString& progressAccessible);
    // A "×" marker for a control that is not a bound field, hidden at first.
    QLabel* MakeMarker();
    void EndRow() { ++nextRow; }
    QGridLayout* Fields() const { return fields; }
    FormPrompts& Prompts();
    // The dialog's own controls (buttons, radios, previews) after a change.
    virtual void RefreshControls() {}
    // No button of the dialog is a default one, so Enter presses none.
    void DropDefaultButtons();

    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Binding {
        QLineEdit* edit = nullptr;
        QComboBox* units = nullptr;
        QLabel* marker = nullptr;
    };
    QLineEdit* NewEdit(int id, const QString& accessibleName);
    void BindEdit(QLineEdit* edit, int id);
    QComboBox* NewUnitList(int id, const QString& accessibleName, const QStringList& units);
    QLabel* NewMarker(int id);

    EditForm& form;
    FormPrompts* scriptedPrompts = nullptr;
    std::unique_ptr<QtFormPrompts> ownPrompts;
    std::map<int, Binding> bindings;
    QGridLayout* fields = nullptr;
    int nextRow = 0;
    bool refreshing = false;
};

// The unit lists' entries, "nS" .. "S".
QStringList TimeUnitNames();

}  // namespace kdx
