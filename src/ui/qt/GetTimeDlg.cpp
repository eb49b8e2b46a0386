#include "ui/qt/GetTimeDlg.h"

#include "document/qt/AccessibleLabels.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kdx {

namespace {

// Radio captions in the order of the references (start, cursor, mark, end).
const char* const ReferenceCaptions[4] = {
    "開始点基準の絶対時間",
    "ｶｰｿﾙ基準の相対時間",
    "ﾀｲﾑﾏｰｸ基準の相対時間",
    "終了点基準の相対時間",
};
const char* const UnitCaptions[4] = {"nS", "uS", "mS", "S"};

}  // namespace

CGetTimeDlg::CGetTimeDlg(const GetTimeRequest& request, QWidget* parent) : QDialog(parent), form(request) {
    setWindowTitle(QString::fromStdString(request.title.empty() ? std::string{GetTimeDefaultTitle} : request.title));

    auto* group = new QGroupBox(QStringLiteral("指定方法"), this);
    auto* grid = new QGridLayout(group);
    for (int r = 0; r < 4; ++r) {
        radios[r] = new QRadioButton(QString::fromUtf8(ReferenceCaptions[r]), group);
        referenceEdits[r] = new QLineEdit(group);
        referenceEdits[r]->setReadOnly(true);
        referenceEdits[r]->setFocusPolicy(Qt::NoFocus);
        referenceEdits[r]->setMinimumWidth(120);
        referenceEdits[r]->setAccessibleName(radios[r]->text());
        grid->addWidget(radios[r], r, 0);
        grid->addWidget(referenceEdits[r], r, 1);
        connect(radios[r], &QRadioButton::toggled, this, [this, r](bool on) {
            if (!on) return;
            form.SetReference(r);
            Update();
        });
    }
    radios[GetTimeFromMark]->setEnabled(request.markReferenceEnabled);

    auto* entryRow = new QHBoxLayout;
    auto* timeLabel = new QLabel(QStringLiteral("指定時間："), this);
    entryRow->addWidget(timeLabel);
    timeEdit = new QLineEdit(this);
    LabelField(timeLabel, timeEdit);
    entryRow->addWidget(timeEdit, 1);
    unitList = new QComboBox(this);
    NameUnitList(unitList, timeLabel->text());
    for (const char* unit : UnitCaptions) unitList->addItem(QString::fromLatin1(unit));
    unitList->setCurrentIndex(form.Unit());
    entryRow->addWidget(unitList);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(okButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(entryRow);
    layout->addLayout(buttonRow);

    // Every keystroke and every change of unit recomputes the four positions.
    connect(timeEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        form.SetText(text.toStdString());
        Update();
    });
    connect(unitList, &QComboBox::currentIndexChanged, this, [this](int index) {
        form.SetUnit(index);
        Update();
    });
    connect(okButton, &QPushButton::clicked, this, [this] {
        if (form.IsOkEnabled()) accept();
    });
    radios[form.Reference()]->setChecked(true);
    Update();
    timeEdit->setFocus();
}

void CGetTimeDlg::Update() {
    const auto& texts = form.ReferenceTexts();
    for (int r = 0; r < 4; ++r) referenceEdits[r]->setText(QString::fromStdString(texts[r]));
    okButton->setEnabled(form.IsOkEnabled());
}

std::optional<uint32_t> CGetTimeDlg::Ask(const GetTimeRequest& request, QWidget* parent) {
    CGetTimeDlg dialog(request, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Result();
}

}  // namespace kdx
