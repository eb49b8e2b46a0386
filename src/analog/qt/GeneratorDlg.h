// The Qt side of the editing dialogs: CFormDlg binds each field's edit box,
// unit list and "×" marker to an EditForm by its id and shows what the form
// says after every change; CGeneratorDlg builds on it the frame every analog
// generator shares (edit start, period, "作成", the four operations, the
// preview with its StartTime/EndTime labels and the sketch). The shape dialogs
// add their rows.
#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "analog/GeneratorForm.h"
#include "analog/Illustration.h"
#include "ui/core/PlotPrimitives.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPainter;
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

// The preview: the stretch's strokes on the fixed -1.2 V .. +1.2 V scale with
// grid and labels; blue and yellow while current, pale while stale.
class GeneratorPreview : public QWidget {
    Q_OBJECT

public:
    explicit GeneratorPreview(QWidget* parent = nullptr);
    ~GeneratorPreview() override;
    // Room left of the frame for the voltage labels.
    static constexpr int LabelMargin = 44;
    // Rebuilds the envelope from a new stretch; the curve shows as current.
    void SetCurve(const double* values, uint32_t count);
    // Whether a curve is shown, and in which colours.
    void SetState(bool drawn, bool current);
    bool Drawn() const { return drawn; }
    bool Current() const { return current; }
    // The preview area (the frame) and, one pixel inside, the plot.
    PixelRect Area() const;
    PixelRect Plot() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<ColumnEnvelope> envelope;
    bool drawn = false;
    bool current = false;
};

// What every preview paints under its curves: the window's background, the
// white plot one pixel inside the area, the voltage labels left of the area,
// its black border and the voltage grid.
void PaintPreviewGround(QPainter& p, const QWidget& widget, const PixelRect& area);

// The sketch that names the shape's parameters, with its sample curve.
class GeneratorSketch : public QWidget {
    Q_OBJECT

public:
    GeneratorSketch(Sketch sketch, const double* curve, uint32_t count, QWidget* parent = nullptr);
    ~GeneratorSketch() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildCurve();
    Sketch sketch;
    const double* curve;
    uint32_t count;
    std::unique_ptr<ColumnEnvelope> envelope;
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

// The analog generators' frame: edit start and period rows, "作成", the four
// operations, the preview with StartTime/EndTime and the sketch.
class CGeneratorDlg : public CFormDlg {
    Q_OBJECT

public:
    CGeneratorDlg(GeneratorForm& form, const QString& title, QWidget* parent = nullptr);
    ~CGeneratorDlg() override;

    QPushButton* CreateButton() const { return createButton; }
    QPushButton* OperationButton(GeneratorOperation operation) const;
    QLabel* StartTimeLabel() const { return startTimeLabel; }
    QLabel* EndTimeLabel() const { return endTimeLabel; }
    GeneratorPreview* Preview() const { return preview; }

protected:
    // Adds the sketch (none for shapes without one) and lays the dialog out.
    void Finish(std::optional<Sketch> sketch);
    // The shape's own controls (radios) after a change.
    virtual void RefreshShape() {}

private:
    void RefreshControls() override;
    void Create();
    void Operate(GeneratorOperation operation);

    GeneratorForm& form;
    QPushButton* createButton = nullptr;
    std::map<GeneratorOperation, QPushButton*> operations;
    GeneratorPreview* preview = nullptr;
    QLabel* startTimeLabel = nullptr;
    QLabel* endTimeLabel = nullptr;
    uint64_t shownGeneration = ~uint64_t{0};
};

// The unit lists' entries, "nS" .. "S".
QStringList TimeUnitNames();

// The four operation buttons "置換", "加算", "減算", "乗算" in a 2 x 2 grid; each
// calls operate with its operation.
QGridLayout* AddOperationButtons(QWidget* parent, std::map<GeneratorOperation, QPushButton*>& buttons,
                                 const std::function<void(GeneratorOperation)>& operate);

}  // namespace kdx
