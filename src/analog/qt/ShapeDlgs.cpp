#include "analog/qt/ShapeDlgs.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace kdx {

namespace {

const QString Volt = QStringLiteral("V");
const QString Times = QStringLiteral("回");

// A pair of radios choosing which of two fields the user enters, a group of
// their own whatever other radios the dialog holds.
void BindModeRadios(QRadioButton* first, QRadioButton* second, const std::function<void(int)>& setMode) {
    auto* group = new QButtonGroup(first->parent());
    group->addButton(first);
    group->addButton(second);
    QObject::connect(first, &QRadioButton::toggled, first, [setMode](bool on) {
        if (on) setMode(0);
    });
    QObject::connect(second, &QRadioButton::toggled, second, [setMode](bool on) {
        if (on) setMode(1);
    });
}

}  // namespace

CSinDlg::CSinDlg(SineForm& form, QWidget* parent)
    : CGeneratorDlg(form, QStringLiteral("正弦波の作成"), parent), sine(form) {
    AddTimeRow(QStringLiteral("周期(t1)："), SineForm::T1);
    delayRadio = AddRadioTimeRow(QStringLiteral("遅延(t0)："), SineForm::Delay);
    phaseRadio = AddRadioValueRow(QStringLiteral("開始位相："), SineForm::Phase, QStringLiteral("度"));
    AddValueRow(QStringLiteral("振幅(v1)："), SineForm::Amplitude, Volt);
    AddValueRow(QStringLiteral("ｵﾌｾｯﾄ(v0)："), SineForm::Offset, Volt);
    AddValueRow(QStringLiteral("繰り返し："), SineForm::Repeat, Times);
    BindModeRadios(delayRadio, phaseRadio, [this](int mode) {
        sine.SetMode(mode);
        Refresh();
    });
    Finish(SineSketch());
}

void CSinDlg::RefreshShape() {
    (sine.Mode() == SineForm::PhaseMode ? phaseRadio : delayRadio)->setChecked(true);
}

CRectangleDlg::CRectangleDlg(RectangleForm& form, QWidget* parent)
    : CGeneratorDlg(form, QStringLiteral("矩形波の作成"), parent), rectangle(form) {
    AddTimeRow(QStringLiteral("時間(t1)："), RectangleForm::T1);
    AddTimeRow(QStringLiteral("時間(t2)："), RectangleForm::T2);
    AddTimeRow(QStringLiteral("時間(t3)："), RectangleForm::T3);
    AddTimeRow(QStringLiteral("時間(t4)："), RectangleForm::T4);
    AddValueRow(QStringLiteral("電圧(v1)："), RectangleForm::V1, Volt);
    AddValueRow(QStringLiteral("電圧(v2)："), RectangleForm::V2, Volt);
    timeRadio = AddRadioTimeRow(QStringLiteral("時間(t0)："), RectangleForm::T0);
    voltageRadio = AddRadioValueRow(QStringLiteral("電圧(v0)："), RectangleForm::V0, Volt);
    AddValueRow(QStringLiteral("繰り返し："), RectangleForm::Repeat, Times);
    BindModeRadios(timeRadio, voltageRadio, [this](int mode) {
        rectangle.SetMode(mode);
        Refresh();
    });
    Finish(RectangleSketch());
}

void CRectangleDlg::RefreshShape() {
    (rectangle.Mode() == RectangleForm::VoltageMode ? voltageRadio : timeRadio)->setChecked(true);
}

CDcDlg::CDcDlg(DcForm& form, QWidget* parent) : CGeneratorDlg(form, QStringLiteral("直流波形の作成"), parent) {
    AddValueRow(QStringLiteral("直流値(v0)："), DcForm::Value, Volt);
    Finish(DcSketch());
}

CRampDlg::CRampDlg(RampForm& form, QWidget* parent) : CGeneratorDlg(form, QStringLiteral("ランプ波形の作成"), parent) {
    AddValueRow(QStringLiteral("初期値(v0)："), RampForm::Initial, Volt);
    AddValueRow(QStringLiteral("最終値(v1)："), RampForm::Final, Volt);
    Finish(RampSketch());
}

CExpDlg::CExpDlg(ExpForm& form, QWidget* parent)
    : CGeneratorDlg(form, QStringLiteral("指数関数波形の作成"), parent) {
    AddValueRow(QStringLiteral("初期値(v0)："), ExpForm::Initial, Volt);
    AddValueRow(QStringLiteral("最終値(v1)："), ExpForm::Final, Volt);
    AddTimeRow(QStringLiteral("時定数(τ)："), ExpForm::Tau);
    Finish(ExpSketch());
}

CNoiseDlg::CNoiseDlg(NoiseForm& form, QWidget* parent)
    : CGeneratorDlg(form, QStringLiteral("ランダムノイズの作成"), parent) {
    const QString amplitude = QStringLiteral("振幅：");
    AddListRow(amplitude, NoiseForm::Amplitude,
               {QString::fromUtf8(NoiseUnitNames[0]), QString::fromUtf8(NoiseUnitNames[1])});
    // The same amplitude in the other unit, for reading only.
    AddDisplayBox(NoiseForm::Companion, amplitude + QStringLiteral("換算値"), 1);
    AddDisplayBox(NoiseForm::CompanionUnit, amplitude + QStringLiteral("換算値単位"), 2);
    EndRow();
    Finish(std::nullopt);
}

}  // namespace kdx
