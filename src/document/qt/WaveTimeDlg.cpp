#include "document/qt/WaveTimeDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "document/qt/AccessibleLabels.h"
#include "document/qt/TimeBaseRowsGroup.h"
#include "units/UnitText.h"

namespace kdx {

namespace {

QComboBox* UnitList(const char* const* words, size_t n, QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (size_t i = 0; i < n; ++i) list->addItem(QString::fromUtf8(words[i]));
    return list;
}

// A preset time as the dialog first shows it: number and its unit.
void ShowTime(int64_t ns, QLineEdit* edit, QComboBox* unit) {
    const AutoTimeText t = FormatTimeAuto(ns);
    edit->setText(QString::fromStdString(t.text));
    unit->setCurrentIndex(t.unit < unit->count() ? t.unit : unit->count() - 1);
}

}  // namespace

CWaveTimeDlg::CWaveTimeDlg(int64_t presetTotalNs, int64_t presetSamplingNs, int64_t presetCount, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("トータル時間の設定"));

    timeMode = new QRadioButton(QStringLiteral("時間入力"), this);
    samplingMode = new QRadioButton(QStringLiteral("サンプリング入力"), this);
    // Radios of one parent exclude each other only with every radio below
    // that parent, the rows' included; the two ways of input get a group of
    // their own, so one of them is always chosen.
    auto* modes = new QButtonGroup(this);
    modes->addButton(timeMode);
    modes->addButton(samplingMode);
    totalEdit = new QLineEdit(this);
    totalUnit = UnitList(TotalTimeUnitWords.data(), TotalTimeUnitWords.size(), this);
    samplingEdit = new QLineEdit(this);
    samplingUnit = UnitList(SamplingTimeUnitWords.data(), SamplingTimeUnitWords.size(), this);
    countEdit = new QLineEdit(this);
    rowsGroup = new TimeBaseRowsGroup(3, this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);

    auto* inputs = new QGridLayout;
    const auto row = [&](int r, QRadioButton* radio, const QString& text, QLineEdit* edit, QComboBox* unit) {
        auto* label = new QLabel(text, this);
        LabelField(label, edit);
        if (radio) inputs->addWidget(radio, r, 0);
        inputs->addWidget(label, r, 1);
        inputs->addWidget(edit, r, 2);
        if (unit) {
            NameUnitList(unit, text);
            inputs->addWidget(unit, r, 3);
        }
    };
    row(0, timeMode, QStringLiteral("トータル時間"), totalEdit, totalUnit);
    row(1, samplingMode, QStringLiteral("サンプリング時間"), samplingEdit, samplingUnit);
    row(2, nullptr, QStringLiteral("サンプリングデータ数"), countEdit, nullptr);
    inputs->setColumnStretch(4, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(rowsGroup);
    layout->addLayout(buttons);

    ShowTime(presetTotalNs, totalEdit, totalUnit);
    ShowTime(presetSamplingNs, samplingEdit, samplingUnit);
    countEdit->setText(QString::fromStdString(FormatInt64(presetCount)));
    timeMode->setChecked(true);

    connect(timeMode, &QRadioButton::toggled, this, [this] { SwitchMode(); });
    for (QLineEdit* e : {totalEdit, samplingEdit, countEdit}) {
        connect(e, &QLineEdit::textChanged, this, [this] { Recompute(); });
    }
    for (QComboBox* c : {totalUnit, samplingUnit}) {
        connect(c, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    }
    connect(okButton, &QPushButton::clicked, this, [this] { OnOk(); });
    SwitchMode();
}

void CWaveTimeDlg::SwitchMode() {
    const bool byTime = timeMode->isChecked();
    totalEdit->setEnabled(byTime);
    totalUnit->setEnabled(byTime);
    samplingEdit->setEnabled(!byTime);
    samplingUnit->setEnabled(!byTime);
    countEdit->setEnabled(!byTime);
    (byTime ? totalEdit : samplingEdit)->setFocus();
    Recompute();
}

void CWaveTimeDlg::Recompute() {
    if (timeMode->isChecked()) {
        rows = ComputeTimeInputRows(totalEdit->text().toStdString(), totalUnit->currentIndex());
    } else {
        rows = ComputeSamplingInputRows(samplingEdit->text().toStdString(), samplingUnit->currentIndex(),
                                        countEdit->text().toStdString());
    }
    rowsGroup->Show(rows);
    okButton->setEnabled(rows.valid);
}

void CWaveTimeDlg::OnOk() {
    const int selected = rowsGroup->Selected();
    if (!rows.valid || selected < 0) return;
    const TimeBaseRow& row = rows.rows[selected];
    totalNs = row.totalNs;
    samplingNs = row.samplingNs;
    count = row.count;
    accept();
}

}  // namespace kdx
