// How the dialogs name their fields for screen readers and GUI automation:
// an edit box, list or check box is found by the text of the label beside it
// (also made the label's buddy, so its mnemonic and focus follow), and a unit
// list by that label followed by "単位".
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QString>
#include <QWidget>

namespace kdx {

inline void LabelField(QLabel* label, QWidget* field) {
    label->setBuddy(field);
    field->setAccessibleName(label->text());
}

inline void NameUnitList(QComboBox* units, const QString& fieldLabel) {
    units->setAccessibleName(fieldLabel + QStringLiteral("単位"));
}

}  // namespace kdx
