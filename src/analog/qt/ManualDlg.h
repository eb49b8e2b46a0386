// The waveform modification dialog "波形の修正": the copy range with its copy
// button, the edit start, the five calculations, and a preview that shows the
// copy as taken (tan) and as changed (blue) and takes mouse strokes.
#pragma once

#include <memory>

#include "analog/ManualForm.h"
#include "analog/qt/GeneratorDlg.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;

namespace kdx {

// The preview of the copy. The plot has room around it for the widened area
// where strokes count, so the widget receives every point of it.
class ManualPreview : public QWidget {
    Q_OBJECT

public:
    ManualPreview(ManualForm& form, QWidget* parent = nullptr);
    ~ManualPreview() override;
    static constexpr int TopMargin = 16, BottomMargin = 16, RightMargin = 17;
    PixelRect Area() const;
    PixelRect Plot() const;
    // Takes the form's copy and work copy again when they changed.
    void Sync();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Segment(QPoint from, QPoint to);

    ManualForm& form;
    std::unique_ptr<ColumnEnvelope> reference;
    std::unique_ptr<ColumnEnvelope> work;
    uint64_t shownCopy = ~uint64_t{0};
    uint64_t shownWork = ~uint64_t{0};
    bool stroke = false;
    QPoint last;
};

class CManualDlg : public CFormDlg {
    Q_OBJECT

public:
    explicit CManualDlg(ManualForm& form, QWidget* parent = nullptr);
    ~CManualDlg() override;

    QPushButton* CopyButton() const { return copyButton; }
    QPushButton* ExecuteButton() const { return executeButton; }
    QPushButton* OperationButton(GeneratorOperation operation) const;
    // The radio of a modification (ManualForm::Amplify ..).
    QAbstractButton* ModificationRadio(int choice) const;
    ManualPreview* Preview() const { return preview; }

private:
    void RefreshControls() override;
    void Operate(GeneratorOperation operation);

    ManualForm& form;
    ManualPreview* preview = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* executeButton = nullptr;
    QButtonGroup* modifications = nullptr;
    std::map<GeneratorOperation, QPushButton*> operations;
    QLabel* copyStartLabel = nullptr;
    QLabel* copyEndLabel = nullptr;
    QLabel* startTimeLabel = nullptr;
    QLabel* endTimeLabel = nullptr;
};

}  // namespace kdx
