// The six analog generator dialogs: each lays its fields out on the
// generator frame, in the order the form checks them, and adds its sketch.
#pragma once

#include "analog/ShapeForms.h"
#include "analog/qt/GeneratorDlg.h"

class QRadioButton;

namespace kdx {

class CSinDlg : public CGeneratorDlg {
    Q_OBJECT
public:
    explicit CSinDlg(SineForm& form, QWidget* parent = nullptr);
    QRadioButton* DelayRadio() const { return delayRadio; }
    QRadioButton* PhaseRadio() const { return phaseRadio; }

private:
    void RefreshShape() override;
    SineForm& sine;
    QRadioButton* delayRadio = nullptr;
    QRadioButton* phaseRadio = nullptr;
};

class CRectangleDlg : public CGeneratorDlg {
    Q_OBJECT
public:
    explicit CRectangleDlg(RectangleForm& form, QWidget* parent = nullptr);
    QRadioButton* TimeRadio() const { return timeRadio; }
    QRadioButton* VoltageRadio() const { return voltageRadio; }

private:
    void RefreshShape() override;
    RectangleForm& rectangle;
    QRadioButton* timeRadio = nullptr;
    QRadioButton* voltageRadio = nullptr;
};

class CDcDlg : public CGeneratorDlg {
    Q_OBJECT
public:
    explicit CDcDlg(DcForm& form, QWidget* parent = nullptr);
};

class CRampDlg : public CGeneratorDlg {
    Q_OBJECT
public:
    explicit CRampDlg(RampForm& form, QWidget* parent = nullptr);
};

class CExpDlg : public CGeneratorDlg {
    Q_OBJECT
public:
    explicit CExpDlg(ExpForm& form, QWidget* parent = nullptr);
};

class CNoiseDlg : public CGeneratorDlg {
    Q_OBJECT
public:
    explicit CNoiseDlg(NoiseForm& form, QWidget* parent = nullptr);
};

}  // namespace kdx
