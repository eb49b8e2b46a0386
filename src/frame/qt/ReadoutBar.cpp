#include "frame/qt/ReadoutBar.h"

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

// Frame and inner margins of a read-only field around its text.
constexpr int FieldPadding = 10;

struct ReadoutField {
    int id;
    const char* label;
    int chars;  // room for this many characters
};

}  // namespace

ReadoutBar::ReadoutBar(QWidget* parent) : QWidget(parent) {
    const QFontMetrics metrics(font());
    const auto makeField = [&](const ReadoutField& field) {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(true);
        // Only a click or the step buttons give a field the focus.
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setObjectName(QStringLiteral("readout%1").arg(field.id));
        edit->setAlignment(field.chars <= 2 ? Qt::AlignCenter : Qt::AlignRight);
        const int width = metrics.horizontalAdvance(QString(field.chars, QLatin1Char('0'))) + FieldPadding;
        edit->setMinimumWidth(width);
        edit->setMaximumWidth(field.chars <= 2 ? width : width * 3 / 2);
        fields[field.id] = edit;
        return edit;
    };
    // One row of "label [field]" pairs. A field is announced by its group
    // and its own label, so the cursor's time and the mark's are told apart.
    const auto pairs = [&](const char* groupTitle, std::initializer_list<ReadoutField> fieldsOfLine) {
        auto* line = new QHBoxLayout;
        line->setSpacing(3);
        for (const ReadoutField& field : fieldsOfLine) {
            auto* label = new QLabel(QString::fromUtf8(field.label), this);
            QLineEdit* edit = makeField(field);
            label->setBuddy(edit);
            const QString group = QString::fromUtf8(groupTitle);
            edit->setAccessibleName(group.isEmpty() ? label->text() : group + QLatin1Char(' ') + label->text());
            line->addWidget(label);
            line->addWidget(edit, field.chars <= 2 ? 0 : 1);
            line->addSpacing(3);
        }
        return line;
    };
    const auto makeButton = [&](int id) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("button%1").arg(id));
        button->setFocusPolicy(Qt::NoFocus);
        buttons[id] = button;
        return button;
    };
    const auto group = [&](const char* title) {
        auto* box = new QGroupBox(QString::fromUtf8(title), this);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(4, 2, 4, 2);
        grid->setVerticalSpacing(2);
        return std::pair{box, grid};
    };

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);

    auto* base = new QGridLayout;
    base->setVerticalSpacing(2);
    base->addLayout(pairs("", {{1008, "トータル時間", 10}}), 0, 0, Qt::AlignBottom);
    base->addLayout(pairs("", {{1009, "サンプリング", 10}}), 1, 0);
    row->addLayout(base);

    auto [cursorBox, cursorGrid] = group("カーソル");
    cursorGrid->addLayout(pairs("カーソル", {{1005, "時間", 10}, {1006, "電圧", 7}}), 0, 0);
    cursorGrid->addLayout(
        pairs("カーソル", {{1014, "CH0", 1}, {1017, "CH1", 1}, {1018, "CH2", 1}, {1019, "CH3", 1}}), 1, 0,
        Qt::AlignLeft);
    auto* steps = new QGridLayout;
    steps->setSpacing(1);
    steps->addWidget(makeButton(1015), 0, 0);
    steps->addWidget(makeButton(1016), 0, 1);
    steps->addWidget(makeButton(1117), 1, 0);
    steps->addWidget(makeButton(1118), 1, 1);
    cursorGrid->addLayout(steps, 0, 1, 2, 1);
    row->addWidget(cursorBox, 3);

    auto [markBox, markGrid] = group("タイムマーク");
    markGrid->addLayout(pairs("タイムマーク", {{1011, "時間", 10}, {1012, "電圧", 7}}), 0, 0);
    markGrid->addLayout(
        pairs("タイムマーク", {{1020, "CH0", 1}, {1021, "CH1", 1}, {1022, "CH2", 1}, {1023, "CH3", 1}}), 1, 0,
        Qt::AlignLeft);
    row->addWidget(markBox, 3);

    auto [intervalBox, intervalGrid] = group("インターバル");
    intervalGrid->addLayout(pairs("インターバル", {{1013, "カーソル－タイムマーク", 11}}), 0, 0);
    intervalGrid->addLayout(pairs("インターバル", {{1007, "マウス－カーソル", 11}}), 1, 0);
    row->addWidget(intervalBox, 2);
    row->addStretch(1);
}

void ReadoutBar::BindButton(int id, QAction* action) {
    if (QToolButton* button = Button(id)) button->setDefaultAction(action);
}

void ReadoutBar::SetField(int id, const QString& text) {
    QLineEdit* edit = FieldWidget(id);
    if (!edit) return;
    // A text wider than its field would lose its start (the sign of an
    // interval, the leading digits of a time), so the field widens to the
    // widest text it has shown; a narrow window scrolls the bar instead.
    const int needed = edit->fontMetrics().horizontalAdvance(text) + FieldPadding;
    if (needed > edit->minimumWidth()) {
        edit->setMinimumWidth(needed);
        if (needed > edit->maximumWidth()) edit->setMaximumWidth(needed);
    }
    edit->setText(text);
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
