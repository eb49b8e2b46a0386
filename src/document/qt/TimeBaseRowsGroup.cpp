#include "document/qt/TimeBaseRowsGroup.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace kdx {

namespace {
constexpr const char* ColumnHeadings[4] = {"トータル時間", "サンプリング時間", "サンプリングデータ数", "時間誤差"};
}

TimeBaseRowsGroup::TimeBaseRowsGroup(int rowCount, QWidget* parent)
    : QGroupBox(QStringLiteral("設定選択"), parent), rowCount(rowCount) {
    auto* grid = new QGridLayout(this);
    for (int c = 0; c < 4; ++c) {
        auto* heading = new QLabel(QString::fromUtf8(ColumnHeadings[c]), this);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, c + 1);
    }
    for (int r = 0; r < rowCount; ++r) {
        radios[r] = new QRadioButton(QString::fromUtf8(TimeBaseRowLabels[r]), this);
        grid->addWidget(radios[r], r + 1, 0);
        for (int c = 0; c < 4; ++c) {
            auto* field = new QLineEdit(this);
            field->setReadOnly(true);
            field->setFocusPolicy(Qt::NoFocus);
            field->setAlignment(Qt::AlignRight);
            field->setMinimumWidth(c == 3 ? 150 : 120);
            // A cell is named by its row and its column: "設定 1 トータル時間".
            field->setAccessibleName(radios[r]->text() + QLatin1Char(' ') + QString::fromUtf8(ColumnHeadings[c]));
            fields[r][c] = field;
            grid->addWidget(field, r + 1, c + 1);
        }
    }
}

void TimeBaseRowsGroup::Show(const TimeBaseRows& rows) {
    for (int r = 0; r < rowCount; ++r) {
        const TimeBaseRow& row = rows.rows[r];
        const bool shown = rows.valid && row.shown;
        const std::array<const std::string*, 4> texts = {&row.totalText, &row.samplingText, &row.countText,
                                                         &row.errorText};
        for (int c = 0; c < 4; ++c) {
            fields[r][c]->setText(shown ? QString::fromStdString(*texts[c]) : QString());
        }
        radios[r]->setEnabled(shown);
    }
    // No selection must uncheck every radio, which an exclusive group refuses.
    for (int r = 0; r < rowCount; ++r) radios[r]->setAutoExclusive(false);
    for (int r = 0; r < rowCount; ++r) radios[r]->setChecked(rows.valid && rows.selected == r);
    for (int r = 0; r < rowCount; ++r) radios[r]->setAutoExclusive(true);
}

int TimeBaseRowsGroup::Selected() const {
    for (int r = 0; r < rowCount; ++r) {
        if (radios[r]->isEnabled() && radios[r]->isChecked()) return r;
    }
    return -1;
}

}  // namespace kdx
