#include "analog/qt/GeneratorDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt/PlotPainter.h"

namespace kdx {

namespace {

// The stale curve keeps its place in pale colours until the next create.
const QColor StaleBlue(200, 200, 255);
const QColor StaleYellow(255, 255, 200);

constexpr QSize PreviewSize(GeneratorPreview::LabelMargin + 330, 190);
constexpr QSize SketchSize(374, 230);

QString Q(const std::string& s) { return QString::fromStdString(s); }

QColor ColourOf(const SketchColour& c) { return QColor(c.r, c.g, c.b); }

}  // namespace

QGridLayout* AddOperationButtons(QWidget* parent, std::map<GeneratorOperation, QPushButton*>& buttons,
                                 const std::function<void(GeneratorOperation)>& operate) {
    const std::pair<GeneratorOperation, const char*> ops[] = {{GeneratorOperation::Replace, "置換"},
                                                              {GeneratorOperation::Add, "加算"},
                                                              {GeneratorOperation::Subtract, "減算"},
                                                              {GeneratorOperation::Multiply, "乗算"}};
    auto* grid = new QGridLayout;
    int k = 0;
    for (const auto& [op, text] : ops) {
        auto* button = new QPushButton(QString::fromUtf8(text), parent);
        const GeneratorOperation operation = op;
        QObject::connect(button, &QPushButton::clicked, parent, [operate, operation] { operate(operation); });
        buttons[op] = button;
        grid->addWidget(button, k / 2, k % 2);
        ++k;
    }
    return grid;
}

// ---- Preview ----

GeneratorPreview::GeneratorPreview(QWidget* parent)
    : QWidget(parent), envelope(std::make_unique<ColumnEnvelope>()) {
    setFixedSize(PreviewSize);
    setAccessibleName(QStringLiteral("プレビュー"));
}

GeneratorPreview::~GeneratorPreview() = default;

PixelRect GeneratorPreview::Area() const { return {LabelMargin, 0, width() - 1, height() - 1}; }
PixelRect GeneratorPreview::Plot() const { return plot::Inside(Area()); }

void GeneratorPreview::SetCurve(const double* values, uint32_t count) {
    BuildAnalogEnvelope(values, count, Plot(), *envelope);
    SetState(true, true);
}

void GeneratorPreview::SetState(bool isDrawn, bool isCurrent) {
    drawn = isDrawn;
    current = isCurrent;
    update();
}

void GeneratorPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const PixelRect plotRect = Plot();
    PaintPreviewGround(p, *this, Area());
    if (drawn) {
        plot::DrawEnvelope(p, *envelope, plotRect, plotRect.left, plotRect.right,
                           current ? plot::TraceBlue : StaleBlue, current ? plot::MarkerYellow : StaleYellow);
    }
}

void PaintPreviewGround(QPainter& p, const QWidget& widget, const PixelRect& area) {
    const PixelRect plotRect = plot::Inside(area);
    p.fillRect(widget.rect(), widget.palette().color(QPalette::Window));
    plot::Fill(p, plotRect, plot::White);
    plot::DrawVoltageLabels(p, plotRect, area.left, plot::LabelFont());
    plot::Frame(p, area, plot::Black);
    plot::DrawVoltageGrid(p, plotRect);
}

// ---- Sketch ----

GeneratorSketch::GeneratorSketch(Sketch s, const double* values, uint32_t n, QWidget* parent)
    : QWidget(parent), sketch(std::move(s)), curve(values), count(n), envelope(std::make_unique<ColumnEnvelope>()) {
    setFixedSize(SketchSize);
    setAccessibleName(QStringLiteral("説明図"));
    BuildCurve();
}

GeneratorSketch::~GeneratorSketch() = default;

void GeneratorSketch::resizeEvent(QResizeEvent*) { BuildCurve(); }

void GeneratorSketch::BuildCurve() {
    const PixelRect area{1, 1, width() - 2, height() - 2};
    if (count > 0) BuildAnalogEnvelope(curve, count, SketchRect(area, sketch.CurveArea()), *envelope);
}

void GeneratorSketch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const PixelRect area{1, 1, width() - 2, height() - 2};
    p.fillRect(rect(), plot::White);
    plot::Frame(p, {0, 0, width() - 1, height() - 1}, QColor(160, 160, 160));
    for (const SketchSegment& s : sketch.Segments()) {
        const int x0 = SketchX(area, s.x0), y0 = SketchY(area, s.y0);
        const int x1 = SketchX(area, s.x1), y1 = SketchY(area, s.y1);
        const QColor colour = ColourOf(s.colour);
        p.setPen(QPen(colour, 0));
        p.drawLine(x0, y0, x1, y1);  // both end pixels included
        for (const auto& [x, y] : ArrowHeadPixels(x0, y0, x1, y1, s.arrows)) p.fillRect(x, y, 1, 1, colour);
    }
    p.setFont(plot::LabelFont());
    for (const SketchLabel& l : sketch.Labels()) {
        const int x = SketchX(area, l.x), y = SketchY(area, l.y);
        constexpr int w = 60, h = 16;
        QRect box(x - w / 2, y - h / 2, w, h);
        Qt::Alignment align = Qt::AlignHCenter;
        if (l.align == SketchAlign::Left) {
            box.moveLeft(x);
            align = Qt::AlignLeft;
        } else if (l.align == SketchAlign::Right) {
            box.moveRight(x);
            align = Qt::AlignRight;
        }
        p.setPen(ColourOf(l.colour));
        p.drawText(box, align | Qt::AlignVCenter, Q(l.text));
    }
    if (count > 0) {
        const PixelRect curveRect = SketchRect(area, sketch.CurveArea());
        plot::DrawEnvelope(p, *envelope, curveRect, curveRect.left, curveRect.right, plot::TraceBlue,
                           plot::MarkerYellow);
    }
}

// ---- Generator dialog ----

CGeneratorDlg::CGeneratorDlg(GeneratorForm& f, const QString& title, QWidget* parent)
    : CFormDlg(f, title, parent), form(f) {
    AddTimeRow(QStringLiteral("編集開始："), EditForm::EditStartField);
    AddTimeRow(QStringLiteral("期間："), GeneratorForm::PeriodField);
}

CGeneratorDlg::~CGeneratorDlg() = default;

void CGeneratorDlg::Finish(std::optional<Sketch> sketch, QWidget* inPlaceOfSketch, QWidget* below) {
    createButton = new QPushButton(QStringLiteral("作成"), this);
    connect(createButton, &QPushButton::clicked, this, [this] { Create(); });
    QGridLayout* opGrid = AddOperationButtons(this, operations, [this](GeneratorOperation op) { Operate(op); });
    DropDefaultButtons();

    preview = new GeneratorPreview(this);
    startTimeLabel = new QLabel(this);
    endTimeLabel = new QLabel(this);
    endTimeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The two times sit under the preview's corners, however wide a sketch
    // above makes the column.
    auto* times = new QWidget(this);
    times->setFixedWidth(PreviewSize.width());
    auto* timeRow = new QHBoxLayout(times);
    timeRow->setContentsMargins(0, 0, 0, 0);
    timeRow->addSpacing(GeneratorPreview::LabelMargin);
    timeRow->addWidget(startTimeLabel);
    timeRow->addStretch(1);
    timeRow->addWidget(endTimeLabel);

    auto* left = new QVBoxLayout;
    if (sketch)
        inPlaceOfSketch = new GeneratorSketch(std::move(*sketch), form.IllustrationCurve().data(),
                                              form.IllustrationCount(), this);
    if (inPlaceOfSketch) {
        auto* sketchRow = new QHBoxLayout;
        sketchRow->addSpacing(GeneratorPreview::LabelMargin);
        sketchRow->addWidget(inPlaceOfSketch);
        sketchRow->addStretch(1);
        left->addLayout(sketchRow);
    }
    left->addWidget(preview, 0, Qt::AlignLeft);
    left->addWidget(times, 0, Qt::AlignLeft);
    if (below) left->addWidget(below, 0, Qt::AlignLeft);
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addLayout(Fields());
    right->addStretch(1);
    auto* createRow = new QHBoxLayout;
    createRow->addStretch(1);
    createRow->addWidget(createButton);
    right->addLayout(createRow);
    right->addLayout(opGrid);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addSpacing(12);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Refresh();
}

QPushButton* CGeneratorDlg::OperationButton(GeneratorOperation operation) const {
    const auto it = operations.find(operation);
    return it == operations.end() ? nullptr : it->second;
}

void CGeneratorDlg::RefreshControls() {
    if (!createButton) return;  // still being built
    createButton->setEnabled(form.CreateEnabled());
    for (auto& [op, button] : operations) button->setEnabled(form.OperationsEnabled());
    startTimeLabel->setText(Q(form.StartTimeText()));
    endTimeLabel->setText(Q(form.EndTimeText()));
    if (form.PreviewGeneration() != shownGeneration) {
        if (form.PreviewCurrent()) preview->SetCurve(form.WorkBuffer(), form.WorkCount());
        preview->SetState(form.PreviewDrawn(), form.PreviewCurrent());
        shownGeneration = form.PreviewGeneration();
    }
    RefreshShape();
}

void CGeneratorDlg::Create() {
    form.Create(Prompts());
    Refresh();
}

void CGeneratorDlg::Operate(GeneratorOperation operation) {
    if (form.Apply(operation, Prompts())) {
        accept();
        return;
    }
    Refresh();
}

}  // namespace kdx
