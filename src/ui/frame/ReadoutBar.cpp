#include "ui/frame/ReadoutBar.h"

#include <QAction>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace kdx {

namespace {

struct FieldSpec {
    int id;
    const char* label;
    int chars;  // room for this many characters
};

}  // namespace

ReadoutBar::ReadoutBar(QWidget* parent) : QWidget(parent) {
    const QFontMetrics metrics(font());
    const auto makeField = [&](const FieldSpec& spec) {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        edit->setObjectName(QStringLiteral("readout%1").arg(spec.id));
        edit->setAlignment(spec.chars <= 2 ? Qt::AlignCenter : Qt::AlignRight);
        const int width = metrics.horizontalAdvance(QString(spec.chars, QLatin1Char('0'))) + 12;
        edit->setMinimumWidth(spec.chars <= 2 ? width : width * 2 / 3);
        edit->setMaximumWidth(spec.chars <= 2 ? width : width * 3 / 2);
        fields[spec.id] = edit;
        return edit;
    };
    const auto addPairs = [&](QGridLayout* grid, int row, int column, std::initializer_list<FieldSpec> specs) {
        for (const FieldSpec& spec : specs) {
            grid->addWidget(new QLabel(QString::fromUtf8(spec.label), this), row, column++, Qt::AlignRight);
            grid->addWidget(makeField(spec), row, column++);
        }
    };
    const auto makeButton = [&](int id) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("button%1").arg(id));
        button->setFocusPolicy(Qt::NoFocus);
        buttons[id] = button;
        return button;
    };

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);

    auto* base = new QGridLayout;
    addPairs(base, 0, 0, {{1008, "トータル時間", 12}});
    addPairs(base, 1, 0, {{1009, "サンプリング", 12}});
    row->addLayout(base);

    auto* cursorGroup = new QGroupBox(QStringLiteral("カーソル"), this);
    auto* cursorGrid = new QGridLayout(cursorGroup);
    cursorGrid->setContentsMargins(4, 2, 4, 2);
    addPairs(cursorGrid, 0, 0, {{1005, "時間", 12}});
    cursorGrid->addWidget(fields[1005], 0, 1, 1, 3);
    addPairs(cursorGrid, 0, 4, {{1006, "電圧", 8}});
    cursorGrid->addWidget(fields[1006], 0, 5, 1, 3);
    addPairs(cursorGrid, 1, 0, {{1014, "CH0", 1}, {1017, "CH1", 1}, {1018, "CH2", 1}, {1019, "CH3", 1}});
    auto* steps = new QGridLayout;
    steps->setSpacing(1);
    steps->addWidget(makeButton(1015), 0, 0);
    steps->addWidget(makeButton(1016), 0, 1);
    steps->addWidget(makeButton(1117), 1, 0);
    steps->addWidget(makeButton(1118), 1, 1);
    cursorGrid->addLayout(steps, 0, 8, 2, 1);
    row->addWidget(cursorGroup);

    auto* markGroup = new QGroupBox(QStringLiteral("タイムマーク"), this);
    auto* markGrid = new QGridLayout(markGroup);
    markGrid->setContentsMargins(4, 2, 4, 2);
    addPairs(markGrid, 0, 0, {{1011, "時間", 12}});
    markGrid->addWidget(fields[1011], 0, 1, 1, 3);
    addPairs(markGrid, 0, 4, {{1012, "電圧", 8}});
    markGrid->addWidget(fields[1012], 0, 5, 1, 3);
    addPairs(markGrid, 1, 0, {{1020, "CH0", 1}, {1021, "CH1", 1}, {1022, "CH2", 1}, {1023, "CH3", 1}});
    row->addWidget(markGroup);

    auto* intervalGroup = new QGroupBox(QStringLiteral("インターバル"), this);
    auto* intervalGrid = new QGridLayout(intervalGroup);
    intervalGrid->setContentsMargins(4, 2, 4, 2);
    addPairs(intervalGrid, 0, 0, {{1013, "カーソル－タイムマーク", 12}});
    addPairs(intervalGrid, 1, 0, {{1007, "マウス－カーソル", 12}});
    row->addWidget(intervalGroup);
    row->addStretch(1);
}

void ReadoutBar::BindButton(int id, QAction* action) {
    if (QToolButton* button = Button(id)) button->setDefaultAction(action);
}

void ReadoutBar::SetField(int id, const QString& text) {
    if (QLineEdit* edit = FieldWidget(id)) edit->setText(text);
}

QString ReadoutBar::Field(int id) const {
    const QLineEdit* edit = FieldWidget(id);
    return edit ? edit->text() : QString();
}

QLineEdit* ReadoutBar::FieldWidget(int id) const {
    const auto it = fields.find(id);
    return it == fields.end() ? nullptr : it->second;
}

QToolButton* ReadoutBar::Button(int id) const {
    const auto it = buttons.find(id);
    return it == buttons.end() ? nullptr : it->second;
}

}  // namespace kdx
