#include "digital/qt/DigitalDlgs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QUrl>
#include <QVBoxLayout>
#include <climits>
#include <new>

#include "document/qt/AccessibleLabels.h"
#include "ui/qt/PlotPainter.h"

namespace kdx {

namespace {

// The reference trace lies under the working one, pale, so that a change shows.
const QColor ReferenceGreen(150, 210, 150);

constexpr int PreviewWidth = 420;
constexpr QSize LanePreviewSize(PreviewWidth, 72);
constexpr QSize ParallelLaneSize(PreviewWidth - 50, 40);
constexpr QSize ModifyPreviewSize(PreviewWidth, 140);

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList ChannelNames() {
    return {QStringLiteral("CH0"), QStringLiteral("CH1"), QStringLiteral("CH2"), QStringLiteral("CH3")};
}

QComboBox* NewList(QWidget* parent, const QStringList& items, const QString& name) {
    auto* list = new QComboBox(parent);
    list->addItems(items);
    list->setAccessibleName(name);
    return list;
}

// The StartTime / EndTime pair under a preview.
QHBoxLayout* TimeRow(QLabel*& start, QLabel*& end, QWidget* parent) {
    start = new QLabel(parent);
    end = new QLabel(parent);
    end->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(start);
    row->addStretch(1);
    row->addWidget(end);
    return row;
}

// The dialogs' two columns, preview on the left and fields on the right, at
// the size they need.
void LayOutColumns(QDialog* dialog, QLayout* left, QLayout* right) {
    auto* layout = new QHBoxLayout(dialog);
    layout->addLayout(left);
    layout->addSpacing(12);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace

// ---- Preview ----

DigitalPreview::DigitalPreview(QSize size, const QString& name, QWidget* parent)
    : QWidget(parent), trace(std::make_unique<ColumnEnvelope>()), reference(std::make_unique<ColumnEnvelope>()) {
    setFixedSize(size);
    setAccessibleName(name);
}

DigitalPreview::~DigitalPreview() = default;

PixelRect DigitalPreview::Plot() const {
    return plot::Inside(Area());
}

PixelRect DigitalPreview::Trace() const {
    // A little room above the high and below the low level keeps them off the frame.
    PixelRect r = Plot();
    r.top += 3;
    r.bottom -= 3;
    return r;
}

void DigitalPreview::SetTrace(const uint8_t* values, uint32_t count) {
    traceValues = values;
    traceCount = count;
    BuildDigitalEnvelope(values, count, Trace(), *trace);
    traceDrawn = count > 0;
    update();
}

void DigitalPreview::SetReference(const uint8_t* values, uint32_t count) {
    BuildDigitalEnvelope(values, count, Trace(), *reference);
    referenceDrawn = count > 0;
    update();
}

void DigitalPreview::Clear() {
    traceDrawn = referenceDrawn = false;
    update();
}

void DigitalPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const PixelRect plotRect = Plot(), traceRect = Trace();
    plot::Fill(p, plotRect, plot::White);
    plot::Frame(p, Area(), plot::Black);
    // The two levels as faint guides.
    plot::HLine(p, traceRect.top + 1, plotRect.left, plotRect.right, plot::GridGrey);
    plot::HLine(p, traceRect.bottom, plotRect.left, plotRect.right, plot::GridGrey);
    if (referenceDrawn) plot::DrawEnvelope(p, *reference, traceRect, traceRect.left, traceRect.right, ReferenceGreen);
    if (traceDrawn) plot::DrawEnvelope(p, *trace, traceRect, traceRect.left, traceRect.right, plot::TraceBlue);
}

void DigitalPreview::Stroke(QPoint from, QPoint to) {
    if (!onStroke) return;
    const auto strip = onStroke(from, to);
    if (!strip) return;
    // The samples changed under the strip: the trace follows them.
    BuildDigitalEnvelope(traceValues, traceCount, Trace(), *trace);
    update(QRect(QPoint(strip->first, 0), QPoint(strip->second, height() - 1)));
}

void DigitalPreview::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !onStroke || !Plot().Contains(p.x(), p.y())) return;
    drawing = true;
    last = p;
    Stroke(p, p);
}

void DigitalPreview::mouseMoveEvent(QMouseEvent* event) {
    if (!drawing) return;
    if (!(event->buttons() & Qt::LeftButton)) {
        drawing = false;
        return;
    }
    const QPoint p = event->position().toPoint();
    Stroke(last, p);
    last = p;
}

void DigitalPreview::mouseReleaseEvent(QMouseEvent*) {
    drawing = false;
}

// ---- Frame ----

CDigitalFrameDlg::CDigitalFrameDlg(DigitalForm& f, const QString& title, QWidget* parent)
    : CFormDlg(f, title, parent), form(f) {
    AddTimeRow(QStringLiteral("編集開始："), EditForm::EditStartField);
}

void CDigitalFrameDlg::Show(QComboBox* list, int index) {
    const QSignalBlocker block(list);
    list->setCurrentIndex(index);
}

QComboBox* CDigitalFrameDlg::AddChannelRow(const QString& label, const std::function<void(int)>& choose) {
    auto* name = new QLabel(label, this);
    QComboBox* list = NewList(this, ChannelNames(), label);
    LabelField(name, list);
    AddRowWidget(name, 0);
    AddRowWidget(list, 1);
    EndRow();
    connect(list, &QComboBox::currentIndexChanged, this, [this, choose](int index) {
        choose(index);
        Refresh();
    });
    return list;
}

void CDigitalFrameDlg::Finish(QWidget* previewBlock, QLayout* extra, std::function<bool(FormPrompts&)> createFn) {
    create = std::move(createFn);
    auto* opGrid = new QGridLayout;
    const std::pair<DigitalOperation, const char*> ops[] = {{DigitalOperation::Replace, "置換"},
                                                            {DigitalOperation::Or, "OR"},
                                                            {DigitalOperation::And, "AND"},
                                                            {DigitalOperation::Xor, "XOR"}};
    int k = 0;
    for (const auto& [op, text] : ops) {
        auto* button = new QPushButton(QString::fromUtf8(text), this);
        const DigitalOperation operation = op;
        connect(button, &QPushButton::clicked, this, [this, operation] { Operate(operation); });
        operations[op] = button;
        opGrid->addWidget(button, k / 2, k % 2);
        ++k;
    }
    auto* left = new QVBoxLayout;
    left->addWidget(previewBlock);
    left->addLayout(TimeRow(startTimeLabel, endTimeLabel, this));
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addLayout(Fields());
    if (extra) right->addLayout(extra);
    right->addStretch(1);
    if (create) {
        createButton = new QPushButton(QStringLiteral("作成"), this);
        connect(createButton, &QPushButton::clicked, this, [this] {
            create(Prompts());
            Refresh();
        });
        auto* createRow = new QHBoxLayout;
        createRow->addStretch(1);
        createRow->addWidget(createButton);
        right->addLayout(createRow);
    }
    right->addLayout(opGrid);
    DropDefaultButtons();
    LayOutColumns(this, left, right);
    Refresh();
}

QPushButton* CDigitalFrameDlg::OperationButton(DigitalOperation operation) const {
    const auto it = operations.find(operation);
    return it == operations.end() ? nullptr : it->second;
}

void CDigitalFrameDlg::RefreshControls() {
    if (operations.empty()) return;  // still being built
    if (createButton) createButton->setEnabled(form.CreateEnabled());
    for (auto& [op, button] : operations) button->setEnabled(form.ApplyEnabled());
    startTimeLabel->setText(Q(form.StartTimeText()));
    endTimeLabel->setText(Q(form.EndTimeText()));
    const bool changed = form.PreviewGeneration() != shownGeneration;
    shownGeneration = form.PreviewGeneration();
    RefreshDigital(changed);
}

void CDigitalFrameDlg::Operate(DigitalOperation operation) {
    if (form.Apply(operation, Prompts())) {
        accept();
        return;
    }
    Refresh();
}

// ---- Clock ----

CDigitalDlg::CDigitalDlg(DigitalClockForm& form, QWidget* parent)
    : CDigitalFrameDlg(form, QStringLiteral("ディジタルデータの作成　（ クロック ）"), parent), clock(form) {
    channel = AddChannelRow(QStringLiteral("編集ﾁｬﾈﾙ："), [this](int ch) { clock.SetChannel(ch); });
    AddRowWidget(new QLabel(QStringLiteral("レベル"), this), 0);
    AddRowWidget(new QLabel(QStringLiteral("時間"), this), 1);
    EndRow();
    for (int row = 0; row < 2; ++row) {
        const QString number = QString::number(row + 1);
        levels[row] = NewList(this, {QStringLiteral("0"), QStringLiteral("1")}, QStringLiteral("レベル ") + number);
        connect(levels[row], &QComboBox::currentIndexChanged, this, [this, row](int level) {
            clock.SetLevel(row, level);
            Refresh();
        });
        AddTimeRowAfter(levels[row], QStringLiteral("時間 ") + number,
                        row == 0 ? DigitalClockForm::Time1 : DigitalClockForm::Time2);
    }
    AddValueRow(QStringLiteral("繰り返し："), DigitalClockForm::Repeat, QStringLiteral("回"));
    preview = new DigitalPreview(LanePreviewSize, QStringLiteral("プレビュー"), this);
    Finish(preview, nullptr, [this](FormPrompts& p) { return clock.Create(p); });
}

void CDigitalDlg::RefreshDigital(bool previewChanged) {
    Show(channel, clock.ChannelIndex());
    for (int row = 0; row < 2; ++row) Show(levels[row], clock.Level(row));
    if (!previewChanged) return;
    if (clock.PreviewDrawn()) {
        preview->SetTrace(clock.Lane(0), clock.LaneCount());
    } else {
        preview->Clear();
    }
}

// ---- Serial and parallel ----

CDigitalTextDlg::CDigitalTextDlg(DigitalTextForm& form, const QString& title, const QString& fileFilter,
                                 QWidget* parent)
    : CDigitalFrameDlg(form, title, parent), text(form), filter(fileFilter) {
    setAcceptDrops(true);
}

void CDigitalTextDlg::AddSourceRows() {
    directRadio = AddRadioValueRow(QStringLiteral("直接入力"), DigitalTextForm::Text, QString());
    // The text has no length limit of its own, and takes the room of the unit
    // list it does not have.
    QLineEdit* edit = Edit(DigitalTextForm::Text);
    edit->setMaxLength(INT_MAX);
    int row = 0, column = 0, rows = 0, columns = 0;
    Fields()->getItemPosition(Fields()->indexOf(edit), &row, &column, &rows, &columns);
    if (QLayoutItem* unit = Fields()->itemAtPosition(row, 2)) {
        // The empty unit text; the grid is not on the dialog yet, so it is
        // taken out of the grid before it goes.
        QWidget* text = unit->widget();
        Fields()->removeWidget(text);
        delete text;
    }
    Fields()->removeWidget(edit);
    Fields()->addWidget(edit, row, 1, 1, 2);
    fileRadio = new QRadioButton(QStringLiteral("ファイル"), this);
    const FileRows file = AddFileRows(fileRadio, QStringLiteral("ファイル名"), QStringLiteral("読み込みの進み具合"));
    fileName = file.name;
    browse = file.browse;
    progress = file.progress;
    connect(directRadio, &QRadioButton::toggled, this, [this](bool on) {
        if (on) text.SetSource(DigitalSource::Direct);
        Refresh();
    });
    connect(fileRadio, &QRadioButton::toggled, this, [this](bool on) {
        if (on) text.SetSource(DigitalSource::File);
        Refresh();
    });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), filter);
        if (!path.isEmpty()) LoadPath(path);
    });
}

void CDigitalTextDlg::AddIntervalRow() {
    AddTimeRow(QStringLiteral("周期時間："), DigitalTextForm::Interval);
}

void CDigitalTextDlg::RefreshSource() {
    {
        const QSignalBlocker a(directRadio), b(fileRadio);
        (text.Source() == DigitalSource::File ? fileRadio : directRadio)->setChecked(true);
    }
    browse->setEnabled(text.BrowseEnabled());
    const QString name = Q(text.FileName());
    if (fileName->text() != name) {
        fileName->setText(name);
        fileName->setCursorPosition(static_cast<int>(name.size()));
    }
}

void CDigitalTextDlg::LoadPath(const QString& path) {
    fileName->setText(path);
    fileName->setCursorPosition(static_cast<int>(path.size()));
    progress->setValue(0);
    progress->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto report = [this](int percent) {
        progress->setValue(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    // Messages come after the wait is over.
    struct Deferred : FormPrompts {
        std::vector<std::string> messages;
        void Inform(const std::string& t) override { messages.push_back(t); }
        bool Confirm(const std::string& t) override {
            messages.push_back(t);
            return true;
        }
    } deferred;
    text.LoadFile(path.toStdString(), deferred, report);
    QApplication::restoreOverrideCursor();
    progress->hide();
    for (const std::string& m : deferred.messages) Prompts().Inform(m);
    Refresh();
}

void CDigitalTextDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CDigitalTextDlg::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    LoadPath(urls.front().toLocalFile());
}

CDigitalSerialDlg::CDigitalSerialDlg(DigitalSerialForm& form, QWidget* parent)
    : CDigitalTextDlg(form, QStringLiteral("ディジタルデータの作成　（ シリアル ）"),
                      QStringLiteral("TXTﾌｧｲﾙ (*.txt *.csv);;すべてのﾌｧｲﾙ (*)"), parent),
      serial(form) {
    channel = AddChannelRow(QStringLiteral("編集ﾁｬﾈﾙ："), [this](int ch) { serial.SetChannel(ch); });
    AddSourceRows();
    AddIntervalRow();
    preview = new DigitalPreview(LanePreviewSize, QStringLiteral("プレビュー"), this);
    Finish(preview, nullptr, [this](FormPrompts& p) { return serial.Create(p); });
}

void CDigitalSerialDlg::RefreshDigital(bool previewChanged) {
    Show(channel, serial.ChannelIndex());
    RefreshSource();
    if (!previewChanged) return;
    if (serial.PreviewDrawn()) {
        preview->SetTrace(serial.Lane(0), serial.LaneCount());
    } else {
        preview->Clear();
    }
}

CDigitalParallelDlg::CDigitalParallelDlg(DigitalParallelForm& form, QWidget* parent)
    : CDigitalTextDlg(form, QStringLiteral("ディジタルデータの作成　（ パラレル ）"),
                      QStringLiteral("TXTﾌｧｲﾙ (*.txt *.csv);;KDXﾌｧｲﾙ (*.kdx);;VCDﾌｧｲﾙ (*.vcd);;すべてのﾌｧｲﾙ (*)"),
                      parent),
      parallel(form) {
    AddSourceRows();
    AddIntervalRow();
    // A dump's start and length, and the signal each channel takes.
    AddTimeRow(QStringLiteral("変換開始："), DigitalParallelForm::From);
    AddTimeRow(QStringLiteral("期間："), DigitalParallelForm::Period);
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        auto* label = new QLabel(QStringLiteral("CH%1 信号：").arg(ch), this);
        signalLists[ch] = NewList(this, {QStringLiteral("（なし）")}, label->text());
        LabelField(label, signalLists[ch]);
        AddRowWidget(label, 0);
        AddRowWidget(signalLists[ch], 1, 3);
        EndRow();
        connect(signalLists[ch], &QComboBox::currentIndexChanged, this, [this, ch](int index) {
            parallel.SetVcdSignal(ch, index - 1);
            Refresh();
        });
    }
    auto* orderLabel = new QLabel(QStringLiteral("ビット順："), this);
    order = NewList(this, {QString::fromUtf8(ParallelOrderNames[0]), QString::fromUtf8(ParallelOrderNames[1])},
                    orderLabel->text());
    LabelField(orderLabel, order);
    AddRowWidget(orderLabel, 0);
    AddRowWidget(order, 1, 3);
    EndRow();
    connect(order, &QComboBox::currentIndexChanged, this, [this](int o) {
        parallel.SetOrder(o);
        Refresh();
    });
    // One lane per channel, each with its box.
    auto* block = new QWidget(this);
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        boxes[ch] = new QCheckBox(QStringLiteral("CH%1").arg(ch), block);
        lanes[ch] = new DigitalPreview(ParallelLaneSize, QStringLiteral("CH%1 プレビュー").arg(ch), block);
        grid->addWidget(boxes[ch], ch, 0);
        grid->addWidget(lanes[ch], ch, 1);
        connect(boxes[ch], &QCheckBox::toggled, this, [this, ch](bool on) {
            parallel.SetTicked(ch, on);
            Refresh();
        });
    }
    Finish(block, nullptr, [this](FormPrompts& p) { return parallel.Create(p); });
}

void CDigitalParallelDlg::RefreshSignals() {
    const VcdData* vcd = parallel.Vcd();
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        QComboBox* list = signalLists[ch];
        if (vcd != listed) {
            const QSignalBlocker block(list);
            list->clear();
            list->addItem(QStringLiteral("（なし）"));
            if (vcd)
                for (const VcdSignal& signal : vcd->offered) list->addItem(Q(signal.name));
        }
        Show(list, vcd ? parallel.VcdSignalOf(ch) + 1 : 0);
        list->setEnabled(vcd && parallel.Source() == DigitalSource::File);
    }
    listed = vcd;
}

void CDigitalParallelDlg::RefreshDigital(bool previewChanged) {
    Show(order, parallel.Order());
    RefreshSource();
    RefreshSignals();
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        const QSignalBlocker block(boxes[ch]);
        boxes[ch]->setChecked(parallel.Ticked(ch));
    }
    if (!previewChanged) return;
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        if (parallel.PreviewDrawn()) {
            lanes[ch]->SetTrace(parallel.Lane(ch), parallel.LaneCount());
        } else {
            lanes[ch]->Clear();
        }
    }
}

// ---- Protocols ----

CDigitalProtocolDlg::CDigitalProtocolDlg(DigitalProtocolForm& form, QWidget* parent)
    : CDigitalFrameDlg(form, QStringLiteral("ディジタルデータの作成　（ プロトコル ）"), parent), bus(form) {
    using F = DigitalProtocolForm;
    using P = BusProtocol;
    protocol = AddChoice(QStringLiteral("プロトコル："), {QStringLiteral("UART"), QStringLiteral("SPI"), QStringLiteral("I2C")},
                         std::nullopt, [this] { return int(bus.Protocol()); },
                         [this](int p) { bus.SetProtocol(static_cast<BusProtocol>(p)); });
    // Each choice edits a copy of its protocol's settings.
    const auto editing = [this](auto get, auto set) {
        return [this, get, set](auto change) {
            return [this, get, set, change](int i) {
                auto s = (bus.*get)();
                change(s, i);
                (bus.*set)(s);
            };
        };
    };
    const auto uart = editing(&F::Uart, &F::SetUart);
    const auto spi = editing(&F::Spi, &F::SetSpi);
    const auto i2c = editing(&F::I2c, &F::SetI2c);
    // UART.
    AddChannelChoice(QStringLiteral("チャンネル："), P::Uart, [this] { return bus.Uart().channel; },
                     uart([](UartSettings& s, int i) { s.channel = i; }));
    AddValueRow(QStringLiteral("ボーレート："), F::Baud, QStringLiteral("Hz"));
    ScopeLastRow(Edit(F::Baud), P::Uart);
    AddChoice(QStringLiteral("データビット："), {"5", "6", "7", "8", "9"}, P::Uart,
              [this] { return bus.Uart().dataBits - 5; }, uart([](UartSettings& s, int i) { s.dataBits = i + 5; }));
    AddChoice(QStringLiteral("パリティ："),
              {QStringLiteral("なし"), QStringLiteral("奇数"), QStringLiteral("偶数"), QStringLiteral("マーク（1）"),
               QStringLiteral("スペース（0）")},
              P::Uart, [this] { return int(bus.Uart().parity); },
              uart([](UartSettings& s, int i) { s.parity = static_cast<UartParity>(i); }));
    AddChoice(QStringLiteral("ストップビット："), {"1", "1.5", "2"}, P::Uart, [this] { return bus.Uart().stopHalves - 2; },
              uart([](UartSettings& s, int i) { s.stopHalves = i + 2; }));
    AddChoice(QStringLiteral("ビット順："), {QStringLiteral("LSB から"), QStringLiteral("MSB から")}, P::Uart,
              [this] { return int(bus.Uart().msbFirst); }, uart([](UartSettings& s, int i) { s.msbFirst = i == 1; }));
    AddChoice(QStringLiteral("レベル："), {QStringLiteral("アイドル High"), QStringLiteral("反転（アイドル Low）")},
              P::Uart, [this] { return int(bus.Uart().invert); },
              uart([](UartSettings& s, int i) { s.invert = i == 1; }));
    AddValueRow(QStringLiteral("バイト間隔："), F::UartGap, QStringLiteral("ビット"));
    ScopeLastRow(Edit(F::UartGap), P::Uart);
    // SPI.
    AddChannelChoice(QStringLiteral("SCLK："), P::Spi, [this] { return bus.Spi().sclk; },
                     spi([](SpiSettings& s, int i) { s.sclk = i; }));
    AddChannelChoice(QStringLiteral("MOSI："), P::Spi, [this] { return bus.Spi().mosi; },
                     spi([](SpiSettings& s, int i) { s.mosi = i; }));
    AddChannelChoice(QStringLiteral("CS："), P::Spi, [this] { return bus.Spi().cs; },
                     spi([](SpiSettings& s, int i) { s.cs = i; }));
    AddValueRow(QStringLiteral("クロック周波数："), F::SpiClock, QStringLiteral("Hz"));
    ScopeLastRow(Edit(F::SpiClock), P::Spi);
    AddChoice(QStringLiteral("モード："),
              {QStringLiteral("0（CPOL 0, CPHA 0）"), QStringLiteral("1（CPOL 0, CPHA 1）"),
               QStringLiteral("2（CPOL 1, CPHA 0）"), QStringLiteral("3（CPOL 1, CPHA 1）")},
              P::Spi, [this] { return bus.Spi().mode; }, spi([](SpiSettings& s, int i) { s.mode = i; }));
    AddChoice(QStringLiteral("ビット順："), {QStringLiteral("MSB から"), QStringLiteral("LSB から")}, P::Spi,
              [this] { return int(bus.Spi().lsbFirst); }, spi([](SpiSettings& s, int i) { s.lsbFirst = i == 1; }));
    AddChoice(QStringLiteral("CS の論理："), {QStringLiteral("アクティブ Low"), QStringLiteral("アクティブ High")},
              P::Spi, [this] { return int(bus.Spi().csActiveHigh); },
              spi([](SpiSettings& s, int i) { s.csActiveHigh = i == 1; }));
    AddValueRow(QStringLiteral("フレームのバイト数："), F::FrameBytes, QStringLiteral("（0：全部）"));
    ScopeLastRow(Edit(F::FrameBytes), P::Spi);
    for (const auto& [label, id] : {std::pair{QStringLiteral("CS リード時間："), int(F::Lead)},
                                    std::pair{QStringLiteral("CS ラグ時間："), int(F::Lag)},
                                    std::pair{QStringLiteral("フレーム間隔："), int(F::SpiGap)}}) {
        AddTimeRow(label, id);
        Edit(id)->setPlaceholderText(QStringLiteral("空欄：半周期"));
        ScopeLastRow(Edit(id), P::Spi);
    }
    // I2C.
    AddChannelChoice(QStringLiteral("SCL："), P::I2c, [this] { return bus.I2c().scl; },
                     i2c([](I2cSettings& s, int i) { s.scl = i; }));
    AddChannelChoice(QStringLiteral("SDA："), P::I2c, [this] { return bus.I2c().sda; },
                     i2c([](I2cSettings& s, int i) { s.sda = i; }));
    AddValueRow(QStringLiteral("クロック周波数："), F::I2cClock, QStringLiteral("Hz"));
    ScopeLastRow(Edit(F::I2cClock), P::I2c);
    AddChoice(QStringLiteral("アドレス："), {QStringLiteral("7 ビット"), QStringLiteral("10 ビット")}, P::I2c,
              [this] { return int(bus.I2c().tenBit); }, i2c([](I2cSettings& s, int i) { s.tenBit = i == 1; }));
    AddChoice(QStringLiteral("ACK："), {QStringLiteral("Low（応答あり）"), QStringLiteral("High（応答なし）")},
              P::I2c, [this] { return int(bus.I2c().nack); }, i2c([](I2cSettings& s, int i) { s.nack = i == 1; }));
    AddChoice(QStringLiteral("転送の区切り："), {QStringLiteral("ストップとバス開放"), QStringLiteral("リピーテッドスタート")},
              P::I2c, [this] { return int(bus.I2c().repeatedStart); },
              i2c([](I2cSettings& s, int i) { s.repeatedStart = i == 1; }));
    AddTimeRow(QStringLiteral("バス開放時間："), F::BusGap);
    Edit(F::BusGap)->setPlaceholderText(QStringLiteral("空欄：1 周期"));
    ScopeLastRow(Edit(F::BusGap), P::I2c);
    AddValueRow(QStringLiteral("転送："), F::Transactions, QString());
    Edit(F::Transactions)->setPlaceholderText(QStringLiteral("w:50:00 10; r:50:FF"));
    ScopeLastRow(Edit(F::Transactions), P::I2c);
    // The data of UART and SPI.
    AddChoice(QStringLiteral("データ形式："),
              {QStringLiteral("16進数（48 65 6C）"), QStringLiteral("テキスト（\\r \\n \\t \\\\ \\xHH）")}, std::nullopt,
              [this] { return int(bus.TextData()); }, [this](int i) { bus.SetTextData(i == 1); });
    AddValueRow(QStringLiteral("データ："), F::Data, QString());
    for (int id : {int(F::Data), int(F::Transactions)}) Edit(id)->setMaxLength(INT_MAX);

    auto* results = new QGridLayout;
    const auto resultRow = [&](const QString& label, QLabel*& value, int row) {
        auto* name = new QLabel(label, this);
        value = new QLabel(this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        LabelField(name, value);
        results->addWidget(name, row, 0);
        results->addWidget(value, row, 1);
    };
    resultRow(QStringLiteral("長さ："), length, 0);
    resultRow(QStringLiteral("レート誤差："), rateError, 1);
    problem = new QLabel(this);
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    results->addWidget(problem, 2, 0, 1, 2);

    auto* block = new QWidget(this);
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        grid->addWidget(new QLabel(QStringLiteral("CH%1").arg(ch), block), ch, 0);
        lanes[ch] = new DigitalPreview(ParallelLaneSize, QStringLiteral("CH%1 プレビュー").arg(ch), block);
        grid->addWidget(lanes[ch], ch, 1);
    }
    Fields()->setVerticalSpacing(0);
    Finish(block, results, [this](FormPrompts& p) { return bus.Create(p); });
}

void CDigitalProtocolDlg::ScopeLastRow(QWidget* inRow, std::optional<BusProtocol> scope) {
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    Fields()->getItemPosition(Fields()->indexOf(inRow), &row, &column, &rowSpan, &columnSpan);
    rows.emplace_back(row, scope);
}

QComboBox* CDigitalProtocolDlg::AddChoice(const QString& label, const QStringList& items,
                                          std::optional<BusProtocol> scope, std::function<int()> current,
                                          std::function<void(int)> choose) {
    auto* name = new QLabel(label, this);
    QComboBox* list = NewList(this, items, label);
    LabelField(name, list);
    AddRowWidget(name, 0);
    AddRowWidget(list, 1, 2);
    EndRow();
    ScopeLastRow(list, scope);
    connect(list, &QComboBox::currentIndexChanged, this, [this, choose](int index) {
        choose(index);
        Refresh();
    });
    choices.push_back({list, std::move(current)});
    return list;
}

QComboBox* CDigitalProtocolDlg::AddChannelChoice(const QString& label, BusProtocol scope, std::function<int()> current,
                                                 std::function<void(int)> choose) {
    return AddChoice(label, ChannelNames(), scope, std::move(current), std::move(choose));
}

QComboBox* CDigitalProtocolDlg::List(const QString& label) const {
    // Rows of different protocols may share a label; one of them is shown.
    for (const Choice& c : choices)
        if (c.list->accessibleName() == label && !c.list->isHidden()) return c.list;
    return nullptr;
}

void CDigitalProtocolDlg::RefreshDigital(bool previewChanged) {
    for (const Choice& c : choices) Show(c.list, c.current());
    // Only the chosen protocol's rows show; hidden rows take no room.
    const BusProtocol p = bus.Protocol();
    std::map<int, bool> shown;
    for (const auto& [row, scope] : rows) shown[row] = !scope || *scope == p;
    int dataRow = 0, column = 0, rowSpan = 0, columnSpan = 0;
    Fields()->getItemPosition(Fields()->indexOf(Edit(DigitalProtocolForm::Data)), &dataRow, &column, &rowSpan,
                              &columnSpan);
    shown[dataRow - 1] = shown[dataRow] = p != BusProtocol::I2c;
    std::map<QWidget*, int> markers;
    for (int id = 0; id < DigitalProtocolForm::Count; ++id) markers[Marker(id)] = id;
    const int height = Edit(DigitalProtocolForm::Data)->sizeHint().height() + 6;
    for (int row = 0; row < Fields()->rowCount(); ++row) {
        const auto it = shown.find(row);
        const bool on = it == shown.end() || it->second;
        for (int c = 0; c < Fields()->columnCount(); ++c) {
            QLayoutItem* item = Fields()->itemAtPosition(row, c);
            QWidget* widget = item ? item->widget() : nullptr;
            if (widget == nullptr) continue;
            const auto marker = markers.find(widget);
            if (marker != markers.end()) {
                // A hidden marker keeps its room in a shown row only.
                QSizePolicy policy = widget->sizePolicy();
                policy.setRetainSizeWhenHidden(on);
                widget->setSizePolicy(policy);
            }
            widget->setVisible(on && (marker == markers.end() || bus.Field(marker->second).marker));
        }
        Fields()->setRowMinimumHeight(row, on ? height : 0);
    }
    // The dialog takes the size of the rows now shown.
    if (layout() != nullptr) layout()->activate();
    length->setText(Q(bus.LengthText()));
    rateError->setText(Q(bus.RateErrorText()));
    problem->setText(Q(bus.Problem()));
    if (!previewChanged) return;
    for (int ch = 0; ch < DigitalChannels; ++ch) {
        if (bus.PreviewDrawn() && bus.LaneOf(ch) >= 0) {
            lanes[ch]->SetTrace(bus.Lane(ch), bus.LaneCount());
        } else {
            lanes[ch]->Clear();
        }
    }
}

// ---- Modification ----

CDigitalModifyDlg::CDigitalModifyDlg(DigitalModifyForm& form, QWidget* parent)
    : CDigitalFrameDlg(form, QStringLiteral("ディジタルデータの修正"), parent), modify(form) {
    editChannel = AddChannelRow(QStringLiteral("編集ﾁｬﾈﾙ："), [this](int ch) { modify.SetEditChannel(ch); });
    copyChannel = AddChannelRow(QStringLiteral("ｺﾋﾟｰﾁｬﾈﾙ："), [this](int ch) { modify.SetCopyChannel(ch); });
    AddTimeRow(QStringLiteral("ｺﾋﾟｰ開始："), DigitalModifyForm::CopyStart);
    AddTimeRow(QStringLiteral("ｺﾋﾟｰ期間："), DigitalModifyForm::CopyPeriod);
    copyButton = new QPushButton(QStringLiteral("コピー"), this);
    shiftButton = new QPushButton(QStringLiteral("シフト"), this);
    invertButton = new QPushButton(QStringLiteral("反転"), this);
    connect(copyButton, &QPushButton::clicked, this, [this] {
        modify.CopyButton(Prompts());
        Refresh();
    });
    connect(invertButton, &QPushButton::clicked, this, [this] {
        modify.Invert();
        Refresh();
    });
    connect(shiftButton, &QPushButton::clicked, this, [this] { Shift(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copyButton);
    buttons->addWidget(shiftButton);
    buttons->addWidget(invertButton);

    auto* block = new QWidget(this);
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(TimeRow(copyStartLabel, copyEndLabel, block));
    preview = new DigitalPreview(ModifyPreviewSize, QStringLiteral("プレビュー"), block);
    preview->onStroke = [this](QPoint from, QPoint to) {
        return modify.Draw(preview->Plot(), from.x(), from.y(), to.x(), to.y());
    };
    column->addWidget(preview);
    Finish(block, buttons, nullptr);
}

void CDigitalModifyDlg::Shift() {
    std::unique_ptr<DigitalShiftForm> shift;
    try {
        shift = modify.BeginShift();
    } catch (const std::bad_alloc&) {
        Prompts().Inform(MsgDigitalShiftMemory);
        return;
    }
    if (!shift) return;
    CDigitalShiftDlg dialog(*shift, this);
    dialog.SetPrompts(&Prompts());
    modify.EndShift(*shift, dialog.exec() == QDialog::Accepted);
    Refresh();
}

void CDigitalModifyDlg::RefreshDigital(bool previewChanged) {
    Show(editChannel, modify.EditChannel());
    Show(copyChannel, modify.CopyChannel());
    copyChannel->setEnabled(!modify.Locked());
    copyButton->setText(modify.Locked() ? QStringLiteral("再コピー") : QStringLiteral("コピー"));
    shiftButton->setEnabled(modify.CopyHeld());
    invertButton->setEnabled(modify.CopyHeld());
    copyStartLabel->setText(Q(modify.CopyStartText()));
    copyEndLabel->setText(Q(modify.CopyEndText()));
    if (!previewChanged) return;
    if (modify.CopyHeld()) {
        preview->SetReference(modify.Lane(DigitalModifyForm::Reference), modify.LaneCount());
        preview->SetTrace(modify.Lane(DigitalModifyForm::Working), modify.LaneCount());
    } else {
        preview->Clear();
    }
}

// ---- Shift ----

CDigitalShiftDlg::CDigitalShiftDlg(DigitalShiftForm& form, QWidget* parent)
    : CFormDlg(form, Q(form.Title()), parent), shift(form) {
    AddTimeRow(QStringLiteral("シフト時間："), DigitalShiftForm::ShiftTime);
    auto* methodLabel = new QLabel(QStringLiteral("シフト方法："), this);
    method = NewList(this, {QStringLiteral("0を埋める"), QStringLiteral("1を埋める"), QStringLiteral("ローテート")},
                     methodLabel->text());
    LabelField(methodLabel, method);
    AddRowWidget(methodLabel, 0);
    AddRowWidget(method, 1);
    EndRow();
    connect(method, &QComboBox::currentIndexChanged, this, [this](int m) {
        shift.SetMethod(static_cast<ShiftMethod>(m));
        Refresh();
    });
    execute = new QPushButton(QStringLiteral("実行"), this);
    connect(execute, &QPushButton::clicked, this, [this] {
        shift.Execute(Prompts());
        Refresh();
    });
    ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    DropDefaultButtons();

    preview = new DigitalPreview(LanePreviewSize, QStringLiteral("プレビュー"), this);
    auto* left = new QVBoxLayout;
    left->addWidget(preview);
    left->addLayout(TimeRow(startTimeLabel, endTimeLabel, this));
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addLayout(Fields());
    auto* executeRow = new QHBoxLayout;
    executeRow->addStretch(1);
    executeRow->addWidget(execute);
    right->addLayout(executeRow);
    right->addStretch(1);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(ok);
    closeRow->addWidget(cancel);
    right->addLayout(closeRow);
    LayOutColumns(this, left, right);
    startTimeLabel->setText(Q(shift.StretchStartText()));
    endTimeLabel->setText(Q(shift.StretchEndText()));
    Refresh();
}

void CDigitalShiftDlg::RefreshControls() {
    if (!preview) return;  // still being built
    {
        const QSignalBlocker block(method);
        method->setCurrentIndex(static_cast<int>(shift.Method()));
    }
    execute->setEnabled(shift.ExecuteEnabled());
    ok->setEnabled(shift.OkEnabled());
    preview->SetReference(shift.Reference(), shift.Length());
    preview->SetTrace(shift.Working(), shift.Length());
}

// ---- Swap ----

CDigitalSwapDlg::CDigitalSwapDlg(DigitalSwapForm& form, QWidget* parent) : QDialog(parent), swap(form) {
    setWindowTitle(QStringLiteral("ディジタルデータスワップ"));
    first = NewList(this, ChannelNames(), QStringLiteral("入れ替えるチャンネル 1"));
    second = NewList(this, ChannelNames(), QStringLiteral("入れ替えるチャンネル 2"));
    connect(first, &QComboBox::currentIndexChanged, this, [this](int ch) {
        swap.SetFirst(ch);
        Refresh();
    });
    connect(second, &QComboBox::currentIndexChanged, this, [this](int ch) {
        swap.SetSecond(ch);
        Refresh();
    });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(first);
    row->addWidget(new QLabel(QStringLiteral("⇔"), this));
    row->addWidget(second);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Refresh();
}

void CDigitalSwapDlg::Refresh() {
    const QSignalBlocker a(first), b(second);
    first->setCurrentIndex(swap.First());
    second->setCurrentIndex(swap.Second());
}

}  // namespace kdx
