// The external data dialog "外部データの変換": the generator frame with a file
// to load (browsed for or dropped on the dialog) in a format chosen or taken
// from its name, a WAV file's channel, a table's columns and first header
// line, the note on a WAV file's rate, the loaded data's own
// preview, its interval, the conversion start by time or by data number,
// the amplitude factor, offset and interpolation; "ﾃﾞｰﾀ変換" is the create.
#pragma once

#include "analog/ExternalForm.h"
#include "analog/qt/GeneratorDlg.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kdx {

class CExternalDlg : public CGeneratorDlg {
    Q_OBJECT

public:
    explicit CExternalDlg(ExternalForm& form, QWidget* parent = nullptr);

    // Loads a file as "参照・読込" does once it is chosen: with the progress
    // bar (for text) and a wait cursor, then the reader's message.
    void LoadFile(const QString& path);

    QLineEdit* FileNameBox() const { return fileName; }
    QPushButton* BrowseButton() const { return browse; }
    QProgressBar* ProgressBar() const { return progress; }
    QLabel* CountLabel() const { return countLabel; }
    QRadioButton* TimeRadio() const { return timeRadio; }
    QRadioButton* NumberRadio() const { return numberRadio; }
    QComboBox* InterpolationList() const { return interpolation; }
    QComboBox* FormatList() const { return format; }
    QSpinBox* ChannelBox() const { return channel; }
    QSpinBox* TimeColumnBox() const { return timeColumn; }
    QSpinBox* ValueColumnBox() const { return valueColumn; }
    QLabel* HeaderLabel() const { return headerLabel; }
    QLabel* NoteLabel() const { return noteLabel; }
    GeneratorPreview* DataPreview() const { return dataPreview; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void RefreshShape() override;
    void Browse();
    // The format, channel or a column changed: the file is read again with them.
    void SourceChanged();

    ExternalForm& external;
    QLineEdit* fileName = nullptr;
    QPushButton* browse = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* countLabel = nullptr;
    QRadioButton* timeRadio = nullptr;
    QRadioButton* numberRadio = nullptr;
    QComboBox* interpolation = nullptr;
    QComboBox* format = nullptr;
    QSpinBox* channel = nullptr;
    QSpinBox* timeColumn = nullptr;
    QSpinBox* valueColumn = nullptr;
    QLabel* headerLabel = nullptr;
    QLabel* noteLabel = nullptr;
    QString lastPath;  // the file last chosen, loaded or not
    QLabel* interpolationMarker = nullptr;
    GeneratorPreview* dataPreview = nullptr;
    QLabel* maxLabel = nullptr;
    QLabel* minLabel = nullptr;
    QLabel* endLabel = nullptr;
    uint64_t shownLoad = ~uint64_t{0};
};

}  // namespace kdx
