// The frame every analog generator dialog shares, on the edit frame's CFormDlg:
// edit start, period, "作成", the four operations, the preview with its
// StartTime/EndTime labels and the sketch. The shape dialogs add their rows.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "analog/GeneratorForm.h"
#include "analog/Illustration.h"
#include "edit/qt/FormDlg.h"
#include "ui/PlotPrimitives.h"

class QGridLayout;
class QLabel;
class QPainter;
class QPushButton;

namespace kdx {

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
    // Adds the sketch (none for shapes without one, or the given widget in
    // its place) and lays the dialog out. below: shown under the preview and
    // its times (the external data dialog's data preview), so the column
    // beside the fields has no empty stretch.
    void Finish(std::optional<Sketch> sketch, QWidget* inPlaceOfSketch = nullptr, QWidget* below = nullptr);
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

// The four operation buttons "置換", "加算", "減算", "乗算" in a 2 x 2 grid; each
// calls operate with its operation.
QGridLayout* AddOperationButtons(QWidget* parent, std::map<GeneratorOperation, QPushButton*>& buttons,
                                 const std::function<void(GeneratorOperation)>& operate);

}  // namespace kdx
