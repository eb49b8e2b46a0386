// The readout bar above the view: total time and sampling time, the values at
// the cursor and at the time mark, the two intervals, and the cursor step
// buttons. The view writes the fields by control id; the buttons are the
// frame's commands 1015, 1016, 1117 and 1118.
#pragma once

#include <QWidget>
#include <map>

class QAction;
class QLineEdit;
class QToolButton;

namespace kdx {

class ReadoutBar : public QWidget {
    Q_OBJECT

public:
    explicit ReadoutBar(QWidget* parent = nullptr);

    // Binds a step button to its command action (enabled state and trigger).
    void BindButton(int id, QAction* action);
    void SetField(int id, const QString& text);
    QString Field(int id) const;
    QLineEdit* FieldWidget(int id) const;
    QToolButton* Button(int id) const;

private:
    std::map<int, QLineEdit*> fields;
    std::map<int, QToolButton*> buttons;
};

}  // namespace kdx
