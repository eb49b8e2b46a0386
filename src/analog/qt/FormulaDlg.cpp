#include "analog/qt/FormulaDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace kdx {

namespace {

// What the expression may use, in the room of a sketch.
QLabel* MakeReference(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setText(QStringLiteral(
        "変数　t 時間 (s)　n サンプル番号　T 期間 (s)\n"
        "　　　dt サンプリング時間 (s)　fs 1/dt (Hz)\n"
        "　　　x 書き込む位置の元の値 (V)　pi　e\n"
        "関数　sin cos tan asin acos atan sinh cosh tanh\n"
        "　　　exp ln log10 log2 sqrt abs sign rint\n"
        "　　　min max sum avg　a ? b : c　a ^ b\n"
        "　　　frac(u) saw(u) sq(u) tri(u) pulse(u, d)\n"
        "　　　（u はサイクル数：sq(1kHz*t)）\n"
        "　　　step(v) sinc(v) clip(v, lo, hi)\n"
        "単位　ns us ms s　Hz kHz MHz　mV V（数の直後）\n"
        "例　　x*(0.5+0.5*sin(2*pi*100Hz*t))"));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFrameShape(QFrame::Box);
    label->setMargin(6);
    label->setFixedSize(374, 230);
    label->setAccessibleName(QStringLiteral("数式の説明"));
    return label;
}

}  // namespace

CFormulaDlg::CFormulaDlg(FormulaForm& form, QWidget* parent)
    : CGeneratorDlg(form, QStringLiteral("数式"), parent), formula(form) {
    QStringList history;
    for (const std::string& entry : form.History()) history << QString::fromStdString(entry);
    expressionBox = AddHistoryRow(QStringLiteral("数式："), FormulaForm::Expression, history);
    expressionBox->setMinimumWidth(330);
    rangeList = AddChoiceRow(QStringLiteral("範囲外の値："),
                             {QStringLiteral("そのまま"), QStringLiteral("±1 V で切る"), QStringLiteral("±1 V に縮める")},
                             [this](int index) { formula.SetRange(static_cast<FormulaRange>(index)); });
    reportLabel = new QLabel(this);
    reportLabel->setAccessibleName(QStringLiteral("範囲外の値の数"));
    AddRowWidget(reportLabel, 0, 4);
    EndRow();
    Finish(std::nullopt, MakeReference(this));
}

void CFormulaDlg::RefreshShape() {
    rangeList->setCurrentIndex(static_cast<int>(formula.Range()));
    reportLabel->setText(QString::fromStdString(formula.ReportText()));
}

}  // namespace kdx
