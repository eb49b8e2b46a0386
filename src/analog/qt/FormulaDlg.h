// "数式": the generator frame with an expression box that offers the earlier
// expressions, the choice for values beyond the range, the count line after a
// create, and a short reference where the other shapes show their sketch.
#pragma once

#include "analog/FormulaForm.h"
#include "analog/qt/GeneratorDlg.h"

class QComboBox;
class QLabel;

namespace kdx {

class CFormulaDlg : public CGeneratorDlg {
    Q_OBJECT
public:
    explicit CFormulaDlg(FormulaForm& form, QWidget* parent = nullptr);
    QComboBox* ExpressionBox() const { return expressionBox; }
    QComboBox* RangeList() const { return rangeList; }
    QLabel* ReportLabel() const { return reportLabel; }

private:
    void RefreshShape() override;
    FormulaForm& formula;
    QComboBox* expressionBox = nullptr;
    QComboBox* rangeList = nullptr;
    QLabel* reportLabel = nullptr;
};

}  // namespace kdx
