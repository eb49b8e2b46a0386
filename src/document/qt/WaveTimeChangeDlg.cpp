#include "document/qt/WaveTimeChangeDlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/qt/AccessibleLabels.h"
#include "document/qt/TimeBaseRowsGroup.h"
#include "units/UnitText.h"

namespace kdx {

CWaveTimeChangeDlg::CWaveTimeChangeDlg(int64_t currentTotalNs, int64_t currentSamplingNs, int64_t currentCount,
                                       QWidget* parent)
    : QDialog(parent), samplingNs(currentSamplingNs), count(currentCount) {
    setWindowTitle(QStringLiteral("トータル時間の変更"));
    totalEdit = new QLineEdit(this);
    totalUnit = new QComboBox(this);
    for (const char* word : TotalTimeUnitWords) totalUnit->addItem(QString::fromUtf8(word));
    rowsGroup = new TimeBaseRowsGroup(2, this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);

    auto* input = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("トータル時間"), this);
    LabelField(label, totalEdit);
    NameUnitList(totalUnit, label->text());
    input->addWidget(label);
    input->addWidget(totalEdit);
    input->addWidget(totalUnit);
    input->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(input);
    layout->addWidget(rowsGroup);
    layout->addLayout(buttons);

    const AutoTimeText t = FormatTimeAuto(currentTotalNs);
    totalEdit->setText(QString::fromStdString(t.text));
    totalUnit->setCurrentIndex(t.unit);
    totalNs = currentTotalNs;

    connect(totalEdit, &QLineEdit::textChanged, this, [this] { Recompute(); });
    connect(totalUnit, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    connect(okButton, &QPushButton::clicked, this, [this] { OnOk(); });
    totalEdit->setFocus();
    Recompute();
}

void CWaveTimeChangeDlg::Recompute() {
    rows = ComputeTimeChangeRows(totalEdit->text().toStdString(), totalUnit->currentIndex(), samplingNs);
    rowsGroup->Show(rows);
    okButton->setEnabled(rows.valid);
}

void CWaveTimeChangeDlg::OnOk() {
    const int selected = rowsGroup->Selected();
    if (!rows.valid || selected < 0) return;
    totalNs = rows.rows[selected].totalNs;
    count = rows.rows[selected].count;
    accept();
}

}  // namespace kdx
