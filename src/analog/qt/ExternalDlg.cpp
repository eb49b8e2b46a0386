#include "analog/qt/ExternalDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace kdx {

namespace {

const QString ExternalFileFilter =
    QStringLiteral("CSVﾌｧｲﾙ (*.csv *.txt);;PWLﾌｧｲﾙ (*.pwl);;WAVﾌｧｲﾙ (*.wav);;KDXﾌｧｲﾙ (*.kdx);;すべてのﾌｧｲﾙ (*)");

constexpr QSize DataPreviewSize(GeneratorPreview::LabelMargin + 200, 150);

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A control, then a second one with its label, in one cell of the grid.
QWidget* Beside(QWidget* first, QLabel* label, QWidget* second, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(first);
    line->addSpacing(12);
    line->addWidget(label);
    line->addWidget(second);
    line->addStretch(1);
    return row;
}

// A spin box from 1, labelled for assistive technology by its visible label.
QSpinBox* NumberBox(QLabel* label, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(1, 65535);
    box->setAccessibleName(label->text());
    label->setBuddy(box);
    return box;
}

// The first local file of a drag, or an empty text.
QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

}  // namespace

CExternalDlg::CExternalDlg(ExternalForm& form, QWidget* parent)
    : CGeneratorDlg(form, QStringLiteral("外部データの変換"), parent), external(form) {
    const QString nameLabel = QStringLiteral("ﾌｧｲﾙ名：");
    const FileRows rows = AddFileRows(new QLabel(nameLabel, this), nameLabel, QStringLiteral("読込み状況"));
    fileName = rows.name;
    browse = rows.browse;
    progress = rows.progress;
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });

    auto* formatName = new QLabel(QStringLiteral("形式："), this);
    format = new QComboBox(this);
    for (const char* name : SourceFormatNames) format->addItem(QString::fromUtf8(name));
    format->setAccessibleName(formatName->text());
    formatName->setBuddy(format);
    auto* channelName = new QLabel(QStringLiteral("ﾁｬﾝﾈﾙ："), this);
    channel = NumberBox(channelName, this);
    AddRowWidget(formatName, 0);
    AddRowWidget(Beside(format, channelName, channel, this), 1, 3);
    EndRow();
    auto* timeName = new QLabel(QStringLiteral("時刻列："), this);
    timeColumn = NumberBox(timeName, this);
    auto* valueName = new QLabel(QStringLiteral("値列："), this);
    valueColumn = NumberBox(valueName, this);
    AddRowWidget(timeName, 0);
    AddRowWidget(Beside(timeColumn, valueName, valueColumn, this), 1, 3);
    EndRow();
    const ExternalForm::SourceOptions& source = form.GetSourceOptions();
    format->setCurrentIndex(static_cast<int>(source.format));
    channel->setValue(static_cast<int>(source.channel));
    timeColumn->setValue(static_cast<int>(source.timeColumn));
    valueColumn->setValue(static_cast<int>(source.valueColumn));
    connect(format, &QComboBox::currentIndexChanged, this, [this] { SourceChanged(); });
    for (QSpinBox* box : {channel, timeColumn, valueColumn})
        connect(box, &QSpinBox::valueChanged, this, [this] { SourceChanged(); });
    auto* headerName = new QLabel(QStringLiteral("見出し："), this);
    headerLabel = new QLabel(this);
    headerLabel->setAccessibleName(headerName->text());
    headerLabel->setTextFormat(Qt::PlainText);
    AddRowWidget(headerName, 0);
    AddRowWidget(headerLabel, 1, 3);
    EndRow();
    noteLabel = new QLabel(this);
    noteLabel->setWordWrap(true);
    noteLabel->setTextFormat(Qt::PlainText);
    AddRowWidget(noteLabel, 0, 4);
    EndRow();
    const QString countText = QStringLiteral("ﾃﾞｰﾀ数：");
    countLabel = new QLabel(this);
    countLabel->setAccessibleName(countText);
    AddRowWidget(new QLabel(countText, this), 0);
    AddRowWidget(countLabel, 1);
    EndRow();
    AddTimeRow(QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ："), ExternalForm::Interval);

    // The loaded data, stretched between its extremes, from 0 to its end time.
    auto* data = new QWidget(this);
    dataPreview = new GeneratorPreview(data);
    dataPreview->setFixedSize(DataPreviewSize);
    dataPreview->setAccessibleName(QStringLiteral("データプレビュー"));
    maxLabel = new QLabel(data);
    minLabel = new QLabel(data);
    endLabel = new QLabel(data);
    endLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* extremes = new QVBoxLayout;
    extremes->addWidget(maxLabel);
    extremes->addStretch(1);
    extremes->addWidget(minLabel);
    auto* top = new QHBoxLayout;
    top->addWidget(dataPreview);
    top->addLayout(extremes);
    top->addStretch(1);
    auto* times = new QHBoxLayout;
    times->addSpacing(GeneratorPreview::LabelMargin);
    times->addWidget(new QLabel(QStringLiteral("0"), data));
    times->addStretch(1);
    times->addWidget(endLabel);
    auto* column = new QVBoxLayout(data);
    column->setContentsMargins(0, 12, 0, 4);
    column->addWidget(new QLabel(QStringLiteral("読込みデータ："), data));
    column->addLayout(top);
    auto* timesRow = new QWidget(data);
    timesRow->setFixedWidth(DataPreviewSize.width());
    timesRow->setLayout(times);
    times->setContentsMargins(0, 0, 0, 0);
    column->addWidget(timesRow);

    timeRadio = AddRadioTimeRow(QStringLiteral("変換開始："), ExternalForm::Start);
    numberRadio = AddRadioValueRow(QStringLiteral("開始ﾃﾞｰﾀ："), ExternalForm::DataNumber, QStringLiteral("番目"));
    connect(timeRadio, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        external.SetStartMode(ExternalForm::ByTime);
        Refresh();
    });
    connect(numberRadio, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        external.SetStartMode(ExternalForm::ByDataNumber);
        Refresh();
    });
    AddValueRow(QStringLiteral("振幅係数："), ExternalForm::Amplitude, QString());
    AddValueRow(QStringLiteral("ｵﾌｾｯﾄ："), ExternalForm::Offset, QStringLiteral("V"));

    const QString interpolationLabel = QStringLiteral("ﾃﾞｰﾀ補間：");
    interpolation = new QComboBox(this);
    for (const char* name : InterpolationNames) interpolation->addItem(QString::fromUtf8(name));
    interpolation->setAccessibleName(interpolationLabel);
    connect(interpolation, &QComboBox::currentIndexChanged, this, [this](int index) {
        external.SetUnit(ExternalForm::Interpolation, index);
        Refresh();
    });
    interpolationMarker = MakeMarker();
    auto* interpolationName = new QLabel(interpolationLabel, this);
    interpolationName->setBuddy(interpolation);
    AddRowWidget(interpolationName, 0);
    AddRowWidget(interpolation, 1);
    AddRowWidget(interpolationMarker, 3);
    EndRow();

    Finish(std::nullopt, nullptr, data);
    CreateButton()->setText(QStringLiteral("ﾃﾞｰﾀ変換"));
    // Files dropped anywhere on the dialog reach it, not the edit boxes.
    for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->setAcceptDrops(false);
    setAcceptDrops(true);
    Refresh();
}

void CExternalDlg::RefreshShape() {
    if (!interpolation) return;  // still being built
    fileName->setText(Q(external.FileName()));
    countLabel->setText(QString::number(external.LoadedCount()));
    const SourceReader reader = SourceReaderFor(lastPath.toStdString(), external.GetSourceOptions().format);
    channel->setEnabled(reader == SourceReader::Wav);
    timeColumn->setEnabled(reader == SourceReader::Table);
    valueColumn->setEnabled(reader == SourceReader::Table);
    // A header line too long for the dialog is cut, whole in its tooltip.
    const QString header = Q(external.HeaderLine());
    headerLabel->setText(headerLabel->fontMetrics().elidedText(header, Qt::ElideRight, 360));
    headerLabel->setToolTip(header);
    noteLabel->setText(Q(external.RateNoteText()));
    numberRadio->setEnabled(!external.PointsLoaded());
    {
        const QSignalBlocker blockTime(timeRadio), blockNumber(numberRadio);
        (external.GetStartMode() == ExternalForm::ByDataNumber ? numberRadio : timeRadio)->setChecked(true);
    }
    {
        const QSignalBlocker block(interpolation);
        interpolation->setCurrentIndex(external.Field(ExternalForm::Interpolation).unit);
    }
    interpolationMarker->setVisible(external.Field(ExternalForm::Interpolation).marker);
    endLabel->setText(Q(external.DataEndText()));
    maxLabel->setText(Q(external.MaxValueText()));
    minLabel->setText(Q(external.MinValueText()));
    if (external.LoadGeneration() != shownLoad) {
        if (external.DataLoaded()) dataPreview->SetCurve(external.DataPreview(), external.PreviewCount());
        dataPreview->SetState(external.DataLoaded(), true);
        shownLoad = external.LoadGeneration();
    }
}

void CExternalDlg::SourceChanged() {
    external.SetSourceOptions({static_cast<SourceFormat>(format->currentIndex()),
                               static_cast<uint32_t>(channel->value()), static_cast<uint32_t>(timeColumn->value()),
                               static_cast<uint32_t>(valueColumn->value())});
    if (lastPath.isEmpty()) {
        Refresh();
        return;
    }
    LoadFile(lastPath);
}

void CExternalDlg::LoadFile(const QString& path) {
    fileName->setText(path);
    lastPath = path;
    const std::string name = path.toStdString();
    // The file is read here, on the window's thread: the bar is painted as it
    // moves, and the cursor says the window is busy.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SourceReader reader = SourceReaderFor(name, external.GetSourceOptions().format);
    if (reader != SourceReader::Waveform && reader != SourceReader::None) {
        progress->show();
        progress->setValue(0);
    }
    const std::string message = external.Load(name, [this](int percent) {
        progress->setValue(percent);
        progress->repaint();
    });
    QApplication::restoreOverrideCursor();
    progress->hide();
    Refresh();
    if (!message.empty()) Prompts().Inform(message);
}

void CExternalDlg::Browse() {
    QFileDialog dialog(this, QStringLiteral("開く"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(ExternalFileFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    LoadFile(dialog.selectedFiles().front());
}

void CExternalDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CExternalDlg::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    LoadFile(file);
}

}  // namespace kdx
