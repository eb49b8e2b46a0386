#include "frame/qt/ExportDlgs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/qt/AccessibleLabels.h"
#include "edit/qt/FormDlg.h"

namespace kdx {

namespace {

// A labelled row of the fields grid: label, field and what follows it.
void AddRow(QGridLayout* grid, const QString& text, QWidget* field, QWidget* after = nullptr) {
    auto* label = new QLabel(text, field->parentWidget());
    LabelField(label, field);
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    if (after) grid->addWidget(after, row, 2);
}

// OK and キャンセル at the bottom right, under the fields.
QPushButton* LayOut(QDialog* dialog, QGridLayout* fields, QWidget* extra = nullptr) {
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    ok->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(fields);
    if (extra) layout->addWidget(extra);
    layout->addStretch(1);
    layout->addLayout(buttons);
    return ok;
}

}  // namespace

CWavExportDlg::CWavExportDlg(const WavOptions& preset, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("WAV エクスポートの設定"));
    formatList = new QComboBox(this);
    for (const char* item : WavFormatItems) formatList->addItem(QString::fromUtf8(item));
    formatList->setCurrentIndex(static_cast<int>(preset.format));
    digitalCheck = new QCheckBox(QStringLiteral("CH0～CH3 をチャンネルとして加える"), this);
    digitalCheck->setChecked(preset.digital);
    auto* fields = new QGridLayout;
    AddRow(fields, QStringLiteral("サンプル形式："), formatList);
    fields->setColumnStretch(2, 1);
    connect(LayOut(this, fields, digitalCheck), &QPushButton::clicked, this, &QDialog::accept);
}

WavOptions CWavExportDlg::Options() const {
    return {static_cast<WavSampleFormat>(formatList->currentIndex()), digitalCheck->isChecked()};
}

CPwlExportDlg::CPwlExportDlg(const PwlOptions& preset, int64_t samplingNs, QWidget* parent)
    : QDialog(parent), samplingNs(samplingNs), options(preset) {
    setWindowTitle(QStringLiteral("PWL エクスポートの設定"));
    const PwlFormInput input = PwlFormInputOf(preset);
    channelList = new QComboBox(this);
    channelList->addItems({QStringLiteral("アナログ"), QStringLiteral("CH0"), QStringLiteral("CH1"),
                           QStringLiteral("CH2"), QStringLiteral("CH3")});
    channelList->setCurrentIndex(input.channel);
    highEdit = new QLineEdit(QString::fromStdString(input.high), this);
    edgeEdit = new QLineEdit(QString::fromStdString(input.edge), this);
    edgeUnit = new QComboBox(this);
    edgeUnit->addItems(TimeUnitNames());
    edgeUnit->setCurrentIndex(input.edgeUnit);
    const QString edgeLabel = QStringLiteral("エッジ時間：");
    NameUnitList(edgeUnit, edgeLabel);

    auto* fields = new QGridLayout;
    AddRow(fields, QStringLiteral("チャンネル："), channelList);
    AddRow(fields, QStringLiteral("ハイレベル："), highEdit, new QLabel(QStringLiteral("V"), this));
    AddRow(fields, edgeLabel, edgeEdit, edgeUnit);
    fields->setColumnStretch(3, 1);
    okButton = LayOut(this, fields);
    connect(okButton, &QPushButton::clicked, this, [this] { OnOk(); });
    const auto enableHigh = [this] { highEdit->setEnabled(PwlHighEnabled(channelList->currentIndex())); };
    connect(channelList, &QComboBox::currentIndexChanged, this, enableHigh);
    enableHigh();
}

void CPwlExportDlg::OnOk() {
    const PwlFormCheck check = CheckPwlForm({channelList->currentIndex(), highEdit->text().toStdString(),
                                             edgeEdit->text().toStdString(), edgeUnit->currentIndex()},
                                            samplingNs);
    if (!check.options) {
        QtFormPrompts boxes(this);
        (scriptedPrompts ? *scriptedPrompts : boxes).Inform(check.message);
        QLineEdit* wrong = check.field == PwlField::High ? highEdit : edgeEdit;
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    options = *check.options;
    accept();
}

}  // namespace kdx
