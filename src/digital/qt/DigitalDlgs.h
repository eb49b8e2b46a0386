// The digital dialogs' windows over their Qt-free forms: the clock, serial,
// parallel, protocol and modification dialogs on one frame (edit start, "作成", the four
// operations, lane previews with StartTime/EndTime), the shift dialog and the
// swap dialog. They show what the forms say and forward what the user does.
#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "digital/DigitalForms.h"
#include "digital/ProtocolForm.h"
#include "edit/qt/FormDlg.h"
#include "ui/PlotPrimitives.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kdx {

// One digital lane: the samples across the width, 1 high and 0 low, over an
// optional reference trace; empty while nothing is drawn. With a stroke
// handler the left mouse button draws on it.
class DigitalPreview : public QWidget {
    Q_OBJECT

public:
    DigitalPreview(QSize size, const QString& name, QWidget* parent = nullptr);
    ~DigitalPreview() override;
    void SetTrace(const uint8_t* values, uint32_t count);
    void SetReference(const uint8_t* values, uint32_t count);
    void Clear();
    bool Drawn() const { return traceDrawn; }
    // The frame, and one pixel inside it the plot the samples span.
    PixelRect Area() const { return {0, 0, width() - 1, height() - 1}; }
    PixelRect Plot() const;
    // Press (from == to), moves with the button held: the columns to repaint.
    std::function<std::optional<std::pair<int, int>>(QPoint from, QPoint to)> onStroke;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PixelRect Trace() const;
    void Stroke(QPoint from, QPoint to);
    std::unique_ptr<ColumnEnvelope> trace, reference;
    const uint8_t* traceValues = nullptr;
    uint32_t traceCount = 0;
    bool traceDrawn = false, referenceDrawn = false;
    bool drawing = false;
    QPoint last;
};

// The frame of the clock, serial, parallel and modification dialogs.
class CDigitalFrameDlg : public CFormDlg {
    Q_OBJECT

public:
    QPushButton* CreateButton() const { return createButton; }
    QPushButton* OperationButton(DigitalOperation operation) const;
    QLabel* StartTimeLabel() const { return startTimeLabel; }
    QLabel* EndTimeLabel() const { return endTimeLabel; }

protected:
    CDigitalFrameDlg(DigitalForm& form, const QString& title, QWidget* parent);
    // A labelled CH0..CH3 list row; choose gets the index the user picks.
    QComboBox* AddChannelRow(const QString& label, const std::function<void(int)>& choose);
    // Lays the dialog out: the preview block with StartTime/EndTime under it on
    // the left; the fields, the extra controls, "作成" (when create is given)
    // and the operations on the right.
    void Finish(QWidget* previewBlock, QLayout* extra, std::function<bool(FormPrompts&)> create);
    // The dialog's own controls after a change; previewChanged when the form's
    // preview is to be drawn again.
    virtual void RefreshDigital(bool previewChanged) = 0;
    // Sets a list to an index without reporting it back as a choice.
    static void Show(QComboBox* list, int index);

private:
    void RefreshControls() override;
    void Operate(DigitalOperation operation);

    DigitalForm& form;
    std::function<bool(FormPrompts&)> create;
    QPushButton* createButton = nullptr;
    std::map<DigitalOperation, QPushButton*> operations;
    QLabel* startTimeLabel = nullptr;
    QLabel* endTimeLabel = nullptr;
    uint64_t shownGeneration = ~uint64_t{0};
};

class CDigitalDlg : public CDigitalFrameDlg {
    Q_OBJECT

public:
    explicit CDigitalDlg(DigitalClockForm& form, QWidget* parent = nullptr);
    QComboBox* ChannelList() const { return channel; }
    QComboBox* LevelList(int row) const { return levels[row]; }
    DigitalPreview* Preview() const { return preview; }

private:
    void RefreshDigital(bool previewChanged) override;
    DigitalClockForm& clock;
    QComboBox* channel = nullptr;
    std::array<QComboBox*, 2> levels{};
    DigitalPreview* preview = nullptr;
};

// Serial and parallel: the source rows ("直接入力" with its text, "ファイル"
// with the file name, "参照・読込" and the progress bar) and dropped files.
class CDigitalTextDlg : public CDigitalFrameDlg {
    Q_OBJECT

public:
    QRadioButton* DirectRadio() const { return directRadio; }
    QRadioButton* FileRadio() const { return fileRadio; }
    QLineEdit* FileNameBox() const { return fileName; }
    QPushButton* BrowseButton() const { return browse; }
    QProgressBar* Progress() const { return progress; }
    // Loads a file as "参照・読込" and a drop do: wait cursor and progress bar.
    void LoadPath(const QString& path);

protected:
    CDigitalTextDlg(DigitalTextForm& form, const QString& title, const QString& fileFilter, QWidget* parent);
    void AddSourceRows();
    void AddIntervalRow();
    void RefreshSource();

    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    DigitalTextForm& text;
    QString filter;
    QRadioButton* directRadio = nullptr;
    QRadioButton* fileRadio = nullptr;
    QLineEdit* fileName = nullptr;
    QPushButton* browse = nullptr;
    QProgressBar* progress = nullptr;
};

class CDigitalSerialDlg : public CDigitalTextDlg {
    Q_OBJECT

public:
    explicit CDigitalSerialDlg(DigitalSerialForm& form, QWidget* parent = nullptr);
    QComboBox* ChannelList() const { return channel; }
    DigitalPreview* Preview() const { return preview; }

private:
    void RefreshDigital(bool previewChanged) override;
    DigitalSerialForm& serial;
    QComboBox* channel = nullptr;
    DigitalPreview* preview = nullptr;
};

class CDigitalParallelDlg : public CDigitalTextDlg {
    Q_OBJECT

public:
    explicit CDigitalParallelDlg(DigitalParallelForm& form, QWidget* parent = nullptr);
    QComboBox* OrderList() const { return order; }
    QCheckBox* ChannelBox(int ch) const { return boxes[ch]; }
    DigitalPreview* Preview(int ch) const { return lanes[ch]; }
    // A value change dump's signal for the channel: "（なし）" then the signals by full name.
    QComboBox* SignalList(int ch) const { return signalLists[ch]; }

private:
    void RefreshDigital(bool previewChanged) override;
    void RefreshSignals();
    DigitalParallelForm& parallel;
    QComboBox* order = nullptr;
    std::array<QComboBox*, DigitalChannels> signalLists{};
    const VcdData* listed = nullptr;  // the dump the lists hold the signals of
    std::array<QCheckBox*, DigitalChannels> boxes{};
    std::array<DigitalPreview*, DigitalChannels> lanes{};
};

class CDigitalModifyDlg : public CDigitalFrameDlg {
    Q_OBJECT

public:
    explicit CDigitalModifyDlg(DigitalModifyForm& form, QWidget* parent = nullptr);
    QComboBox* EditChannelList() const { return editChannel; }
    QComboBox* CopyChannelList() const { return copyChannel; }
    QPushButton* CopyButton() const { return copyButton; }
    QPushButton* ShiftButton() const { return shiftButton; }
    QPushButton* InvertButton() const { return invertButton; }
    DigitalPreview* Preview() const { return preview; }
    QLabel* CopyStartTimeLabel() const { return copyStartLabel; }
    QLabel* CopyEndTimeLabel() const { return copyEndLabel; }

private:
    void RefreshDigital(bool previewChanged) override;
    void Shift();
    DigitalModifyForm& modify;
    QComboBox* editChannel = nullptr;
    QComboBox* copyChannel = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* shiftButton = nullptr;
    QPushButton* invertButton = nullptr;
    DigitalPreview* preview = nullptr;
    QLabel* copyStartLabel = nullptr;
    QLabel* copyEndLabel = nullptr;
};

// UART, SPI or I2C frames from bytes: the protocol's rows only, the lanes it
// drives, the computed length and the rate error.
class CDigitalProtocolDlg : public CDigitalFrameDlg {
    Q_OBJECT

public:
    explicit CDigitalProtocolDlg(DigitalProtocolForm& form, QWidget* parent = nullptr);
    QComboBox* ProtocolList() const { return protocol; }
    // A list by its visible label ("パリティ：").
    QComboBox* List(const QString& label) const;
    QLabel* LengthLabel() const { return length; }
    QLabel* RateErrorLabel() const { return rateError; }
    QLabel* ProblemLabel() const { return problem; }
    DigitalPreview* Preview(int ch) const { return lanes[ch]; }

private:
    struct Choice {
        QComboBox* list;
        std::function<int()> current;
    };
    // A labelled list row shown for the protocol (all when none).
    QComboBox* AddChoice(const QString& label, const QStringList& items, std::optional<BusProtocol> scope,
                         std::function<int()> current, std::function<void(int)> choose);
    QComboBox* AddChannelChoice(const QString& label, BusProtocol scope, std::function<int()> current,
                                std::function<void(int)> choose);
    void ScopeLastRow(QWidget* inRow, std::optional<BusProtocol> scope);
    void RefreshDigital(bool previewChanged) override;

    DigitalProtocolForm& bus;
    QComboBox* protocol = nullptr;
    std::vector<Choice> choices;
    std::vector<std::pair<int, std::optional<BusProtocol>>> rows;  // grid row, the protocol it belongs to
    QLabel* length = nullptr;
    QLabel* rateError = nullptr;
    QLabel* problem = nullptr;
    std::array<DigitalPreview*, DigitalChannels> lanes{};
};

class CDigitalShiftDlg : public CFormDlg {
    Q_OBJECT

public:
    explicit CDigitalShiftDlg(DigitalShiftForm& form, QWidget* parent = nullptr);
    QComboBox* MethodList() const { return method; }
    QPushButton* ExecuteButton() const { return execute; }
    QPushButton* OkButton() const { return ok; }
    DigitalPreview* Preview() const { return preview; }

private:
    void RefreshControls() override;
    DigitalShiftForm& shift;
    QComboBox* method = nullptr;
    QPushButton* execute = nullptr;
    QPushButton* ok = nullptr;
    DigitalPreview* preview = nullptr;
    QLabel* startTimeLabel = nullptr;
    QLabel* endTimeLabel = nullptr;
};

class CDigitalSwapDlg : public QDialog {
    Q_OBJECT

public:
    explicit CDigitalSwapDlg(DigitalSwapForm& form, QWidget* parent = nullptr);
    // The swap shows no messages; kept so every digital dialog runs alike.
    void SetPrompts(FormPrompts*) {}
    QComboBox* FirstList() const { return first; }
    QComboBox* SecondList() const { return second; }

private:
    void Refresh();
    DigitalSwapForm& swap;
    QComboBox* first = nullptr;
    QComboBox* second = nullptr;
};

}  // namespace kdx
