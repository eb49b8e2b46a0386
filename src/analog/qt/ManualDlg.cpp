#include "analog/qt/ManualDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/qt/PlotPainter.h"

namespace kdx {

namespace {

// The copy as it was taken.
const QColor ReferenceTan(205, 179, 139);

constexpr int PlotAreaWidth = 330, PlotAreaHeight = 190;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

// ---- Preview ----

ManualPreview::ManualPreview(ManualForm& f, QWidget* parent)
    : QWidget(parent),
      form(f),
      reference(std::make_unique<ColumnEnvelope>()),
      work(std::make_unique<ColumnEnvelope>()) {
    setFixedSize(GeneratorPreview::LabelMargin + PlotAreaWidth + RightMargin,
                 TopMargin + PlotAreaHeight + BottomMargin);
    setAccessibleName(QStringLiteral("プレビュー"));
}

ManualPreview::~ManualPreview() = default;

PixelRect ManualPreview::Area() const {
    return {GeneratorPreview::LabelMargin, TopMargin, GeneratorPreview::LabelMargin + PlotAreaWidth - 1,
            TopMargin + PlotAreaHeight - 1};
}

PixelRect ManualPreview::Plot() const { return plot::Inside(Area()); }

void ManualPreview::Sync() {
    const bool copyChanged = form.PreviewGeneration() != shownCopy;
    if (copyChanged && form.Copied()) BuildAnalogEnvelope(form.Reference(), form.CopiedCount(), Plot(), *reference);
    if ((copyChanged || form.WorkGeneration() != shownWork) && form.Copied())
        BuildAnalogEnvelope(form.Work(), form.CopiedCount(), Plot(), *work);
    if (copyChanged || form.WorkGeneration() != shownWork) update();
    shownCopy = form.PreviewGeneration();
    shownWork = form.WorkGeneration();
}

void ManualPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const PixelRect plotRect = Plot();
    PaintPreviewGround(p, *this, Area());
    if (!form.Copied()) return;
    plot::DrawEnvelope(p, *reference, plotRect, plotRect.left, plotRect.right, ReferenceTan);
    plot::DrawEnvelope(p, *work, plotRect, plotRect.left, plotRect.right, plot::TraceBlue, plot::MarkerYellow);
}

void ManualPreview::Segment(QPoint from, QPoint to) {
    const PixelRect plotRect = Plot();
    form.DrawSegment(plotRect, from.x(), from.y(), to.x(), to.y());
    BuildAnalogEnvelope(form.Work(), form.CopiedCount(), plotRect, *work);
    shownWork = form.WorkGeneration();
    // Only the columns the segment reaches are painted again.
    const auto [x0, x1] = form.RedrawColumns(plotRect, from.x(), to.x());
    update(QRect(x0, plotRect.top, x1 - x0 + 1, plotRect.Height()));
}

void ManualPreview::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !form.Copied() || !ManualForm::InDrawingArea(Plot(), at.x(), at.y()))
        return;
    stroke = true;
    last = at;
    Segment(at, at);
}

void ManualPreview::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) {
        stroke = false;
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!stroke || !form.Copied() || !ManualForm::InDrawingArea(Plot(), at.x(), at.y())) return;
    Segment(last, at);
    last = at;
}

void ManualPreview::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) stroke = false;
}

// ---- Dialog ----

CManualDlg::CManualDlg(ManualForm& f, QWidget* parent)
    : CFormDlg(f, QStringLiteral("波形の修正"), parent), form(f) {
    const QString volt = QStringLiteral("V");
    AddTimeRow(QStringLiteral("ｺﾋﾟｰ開始："), ManualForm::CopyStart);
    AddTimeRow(QStringLiteral("ｺﾋﾟｰ期間："), ManualForm::CopyPeriod);
    copyButton = new QPushButton(QStringLiteral("コピー"), this);
    connect(copyButton, &QPushButton::clicked, this, [this] {
        form.Copy(Prompts());
        Refresh();
    });
    AddRowWidget(copyButton, 1);
    EndRow();
    AddTimeRow(QStringLiteral("編集開始："), EditForm::EditStartField);

    // The calculations' frame lies behind their rows; its title takes a row of its own.
    auto* frame = new QGroupBox(QStringLiteral("演算による修正"), this);
    const int frameRow = Fields()->rowCount();
    Fields()->addWidget(frame, frameRow, 0, 7, 4);
    Fields()->setRowMinimumHeight(frameRow, 18);
    EndRow();
    modifications = new QButtonGroup(this);
    const auto addChoice = [this](QRadioButton* radio, int choice) {
        modifications->addButton(radio, choice);
        radio->setContentsMargins(8, 0, 0, 0);
    };
    addChoice(AddRadioValueRow(QStringLiteral("増幅"), ManualForm::Gain, QStringLiteral("倍")), ManualForm::Amplify);
    addChoice(AddRadioValueRow(QStringLiteral("レベルシフト"), ManualForm::Shift, volt), ManualForm::LevelShift);
    auto* dc = new QRadioButton(QStringLiteral("直流分除去"), this);
    AddRowWidget(dc, 0, 2);
    EndRow();
    addChoice(dc, ManualForm::DcRemoval);
    addChoice(AddRadioValueRow(QStringLiteral("上限リミッタ"), ManualForm::Upper, volt), ManualForm::UpperLimit);
    addChoice(AddRadioValueRow(QStringLiteral("下限リミッタ"), ManualForm::Lower, volt), ManualForm::LowerLimit);
    connect(modifications, &QButtonGroup::idToggled, this, [this](int choice, bool on) {
        if (!on) return;
        form.SetModification(choice);
        Refresh();
    });
    executeButton = new QPushButton(QStringLiteral("修正実行"), this);
    connect(executeButton, &QPushButton::clicked, this, [this] {
        form.Execute(Prompts());
        Refresh();
    });
    AddRowWidget(executeButton, 1);
    EndRow();

    QGridLayout* opGrid = AddOperationButtons(this, operations, [this](GeneratorOperation op) { Operate(op); });
    DropDefaultButtons();

    preview = new ManualPreview(form, this);
    const auto labelRow = [this](QLabel*& leftLabel, QLabel*& rightLabel) {
        leftLabel = new QLabel(this);
        rightLabel = new QLabel(this);
        rightLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* row = new QHBoxLayout;
        row->addSpacing(GeneratorPreview::LabelMargin);
        row->addWidget(leftLabel);
        row->addStretch(1);
        row->addWidget(rightLabel);
        row->addSpacing(ManualPreview::RightMargin);
        return row;
    };
    auto* left = new QVBoxLayout;
    left->addLayout(labelRow(copyStartLabel, copyEndLabel));
    left->addWidget(preview);
    left->addLayout(labelRow(startTimeLabel, endTimeLabel));
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addLayout(Fields());
    right->addStretch(1);
    right->addLayout(opGrid);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addSpacing(12);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Refresh();
}

CManualDlg::~CManualDlg() = default;

QPushButton* CManualDlg::OperationButton(GeneratorOperation operation) const {
    const auto it = operations.find(operation);
    return it == operations.end() ? nullptr : it->second;
}

QAbstractButton* CManualDlg::ModificationRadio(int choice) const { return modifications->button(choice); }

void CManualDlg::RefreshControls() {
    if (!preview) return;  // still being built
    copyButton->setText(form.CopyFrozen() ? QStringLiteral("再コピー") : QStringLiteral("コピー"));
    copyButton->setEnabled(form.CopyEnabled());
    executeButton->setEnabled(form.ExecuteEnabled());
    for (auto& [op, button] : operations) button->setEnabled(form.OperationsEnabled());
    for (QAbstractButton* radio : modifications->buttons()) radio->setEnabled(form.Copied());
    // The group shows the form's choice, which may be none.
    const QSignalBlocker block(modifications);
    if (form.GetModification() == ManualForm::NoChoice) {
        modifications->setExclusive(false);
        for (QAbstractButton* radio : modifications->buttons()) radio->setChecked(false);
        modifications->setExclusive(true);
    } else {
        modifications->button(form.GetModification())->setChecked(true);
    }
    copyStartLabel->setText(Q(form.CopyStartTimeText()));
    copyEndLabel->setText(Q(form.CopyEndTimeText()));
    startTimeLabel->setText(Q(form.StartTimeText()));
    endTimeLabel->setText(Q(form.EndTimeText()));
    preview->Sync();
}

void CManualDlg::Operate(GeneratorOperation operation) {
    if (form.Apply(operation, Prompts())) {
        accept();
        return;
    }
    Refresh();
}

}  // namespace kdx
