#include "frame/qt/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <new>

#include "analog/AnalogRunners.h"
#include "analog/qt/ExternalDlg.h"
#include "analog/qt/FormulaDlg.h"
#include "analog/qt/ManualDlg.h"
#include "analog/qt/ShapeDlgs.h"
#include "device/DeviceLink.h"
#include "device/qt/OutputDlg.h"
#include "digital/DigitalRunners.h"
#include "digital/qt/DigitalDlgs.h"
#include "document/WaveformFile.h"
#include "frame/CommandIds.h"
#include "frame/FileCommandText.h"
#include "frame/qt/ReadoutBar.h"
#include "ui/qt/KDXView.h"

// Resources of a static library must be registered by name, outside any namespace.
static void InitFrameResources() { Q_INIT_RESOURCE(frame); }

namespace kdx {

namespace {

// File New proposes 5 mS of 250000 samples at 20 nS.
constexpr int64_t NewPresetTotalNs = 5000000;
constexpr int64_t NewPresetSamplingNs = 20;
constexpr int64_t NewPresetCount = 250000;

constexpr const char* MsgPrintFailed = "印刷できませんでした。";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Holds the readout bar. The bar is wider than the frame's minimum width, so
// a narrow window scrolls it sideways instead of squeezing or cutting it; the
// area grows by the scroll bar's height only while the scroll bar is needed.
class ReadoutArea : public QScrollArea {
public:
    explicit ReadoutArea(QWidget* content, QWidget* parent) : QScrollArea(parent) {
        setWidget(content);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        FitHeight(width());
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        FitHeight(event->size().width());
        QScrollArea::resizeEvent(event);
    }

private:
    void FitHeight(int available) {
        const bool scrolls = widget()->minimumSizeHint().width() > available;
        const int height = widget()->sizeHint().height() + (scrolls ? horizontalScrollBar()->sizeHint().height() : 0);
        if (height != this->height()) setFixedHeight(height);
    }
};
QString Q(const char* s) { return QString::fromUtf8(s); }

}  // namespace

CMainFrame::CMainFrame(CKDXDoc& doc, QWidget* parent) : QMainWindow(parent), doc(doc) {
    InitFrameResources();
    setWindowIcon(QIcon(QStringLiteral(":/kdx/icons/kdx.png")));
    setMinimumSize(710, 500);
    setAcceptDrops(true);
    ownPrompts = std::make_unique<QtUserPrompts>();
    prompts = ownPrompts.get();
    title = Q(UntitledTitle);

    view = new CKDXView(doc, this);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    setCentralWidget(view);

    readout = new ReadoutBar(this);
    readoutDock = new QDockWidget(this);
    readoutDock->setObjectName(QStringLiteral("ReadoutBar"));
    readoutDock->setWidget(new ReadoutArea(readout, readoutDock));
    readoutDock->setTitleBarWidget(new QWidget(readoutDock));  // no caption
    readoutDock->setFeatures(QDockWidget::DockWidgetMovable);
    addDockWidget(Qt::TopDockWidgetArea, readoutDock);

    CreateActions();
    CreateHandlers();
    CreateMenus();
    CreateToolBar();
    CreateContextMenus();
    // The idle prompt; a highlighted command's prompt covers it while shown.
    statusBar()->addWidget(new QLabel(QStringLiteral("レディ"), this));

    view->SetReadoutSink([this](int id, const QString& text) { readout->SetField(id, text); });
    connect(view, &CKDXView::viewStateChanged, this, [this] { ScheduleUpdate(); });
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) { ShowContextMenu(pos); });

    // Without the library every editing and file function still works; only
    // output stays disabled.
    deviceLibraryLoaded = LoadDeviceLibrary();

    idleTimer.setSingleShot(true);
    idleTimer.setInterval(0);
    connect(&idleTimer, &QTimer::timeout, this, [this] { UpdateCommands(); });
    UpdateCaption();
    UpdateCommands();
    view->setFocus();
}

CMainFrame::~CMainFrame() {
    // The output dialog is a child window: it goes before the frame does.
    CloseOutputDialog();
    ReleaseDeviceLibrary();
}

void CMainFrame::SetPrompts(UserPrompts* p) { prompts = p ? p : ownPrompts.get(); }

void CMainFrame::SetTitlePrefix(const QString& prefix) {
    titlePrefix = prefix;
    UpdateCaption();
}

void CMainFrame::SetOutputAvailable(bool available) {
    outputAvailable = available;
    ScheduleUpdate();
}

void CMainFrame::SetOutputDevice(const std::string& serial, const std::string& displayName) {
    outputSerial = serial;
    outputDisplayName = displayName;
}

void CMainFrame::SetDocumentTag(std::string_view text) { frameBlock.documentTag = DocumentTagOf(text); }

void CMainFrame::CreateActions() {
    for (const CommandInfo& c : Commands()) {
        auto* action = new QAction(Q(c.text), this);
        action->setStatusTip(Q(c.prompt));
        action->setToolTip(Q(c.toolTip));
        action->setCheckable(c.checkable);
        action->setData(c.id);
        const QString icon = QStringLiteral(":/kdx/icons/%1.png").arg(IconCommandOf(c.id));
        if (QFile::exists(icon)) action->setIcon(QIcon(icon));
        const int id = c.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions[c.id] = action;
    }
    actions[cmd::FileNew]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    actions[cmd::FileOpen]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    actions[cmd::FileSave]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actions[cmd::EditUndo]->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    // The accelerator text is part of the menu text already.
    for (int id : {cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::EditUndo}) {
        actions[id]->setShortcutVisibleInContextMenu(false);
        addAction(actions[id]);
    }
    for (int id : {cmd::CursorStepLeft, cmd::CursorStepRight, cmd::CursorPageLeft, cmd::CursorPageRight}) {
        readout->BindButton(id, actions[id]);
    }
    // Printing has an accelerator but no menu item.
    printAction = new QAction(this);
    printAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(printAction, &QAction::triggered, this, [this] { PrintView(); });
    addAction(printAction);
}

void CMainFrame::CreateHandlers() {
    handlers[cmd::FileNew] = [this] { NewWaveformCommand(); };
    handlers[cmd::FileOpen] = [this] { OpenCommand(); };
    handlers[cmd::FileSave] = [this] { Save(); };
    handlers[cmd::FileSaveAs] = [this] { SaveAs(); };
    handlers[cmd::FileExportCsv] = [this] { Export(ExportFormat::Csv); };
    handlers[cmd::FileExportVcd] = [this] { Export(ExportFormat::Vcd); };
    handlers[cmd::FileExportWav] = [this] { Export(ExportFormat::Wav); };
    handlers[cmd::FileExportPwl] = [this] { Export(ExportFormat::Pwl); };
    handlers[cmd::AppExit] = [this] { close(); };
    handlers[cmd::AppAbout] = [this] {
        if (aboutHandler) aboutHandler();
    };
    handlers[cmd::EditUndo] = [this] { UndoCommand(); };
    handlers[cmd::TotalTimeChange] = [this] { TotalTimeChangeCommand(); };
    handlers[cmd::EditLock] = [this] { ToggleEditLock(); };
    handlers[cmd::Sine] = [this] { GeneratorCommand<CSinDlg>(RunSineDialog); };
    handlers[cmd::Rectangle] = [this] { GeneratorCommand<CRectangleDlg>(RunRectangleDialog); };
    handlers[cmd::Dc] = [this] { GeneratorCommand<CDcDlg>(RunDcDialog); };
    handlers[cmd::Ramp] = [this] { GeneratorCommand<CRampDlg>(RunRampDialog); };
    handlers[cmd::Exponential] = [this] { GeneratorCommand<CExpDlg>(RunExpDialog); };
    handlers[cmd::Noise] = [this] { GeneratorCommand<CNoiseDlg>(RunNoiseDialog); };
    handlers[cmd::Formula] = [this] { FormulaCommand(); };
    handlers[cmd::WaveformOutput] = [this] { OutputCommand(); };
    handlers[cmd::AnalogModify] = [this] { GeneratorCommand<CManualDlg>(RunManualDialog); };
    handlers[cmd::ExternalData] = [this] { GeneratorCommand<CExternalDlg>(RunExternalDialog); };
    handlers[cmd::DigitalClock] = [this] { ChannelCommand(ChannelFamily::Clock, RememberedChannel); };
    handlers[cmd::DigitalSerial] = [this] { ChannelCommand(ChannelFamily::Serial, RememberedChannel); };
    handlers[cmd::DigitalParallel] = [this] { GeneratorCommand<CDigitalParallelDlg>(RunDigitalParallelDialog); };
    handlers[cmd::DigitalModify] = [this] { ChannelCommand(ChannelFamily::Modify, RememberedChannel); };
    handlers[cmd::DigitalProtocol] = [this] {
        GeneratorCommand<CDigitalProtocolDlg>([this](CKDXDoc& d, uint32_t cursor, FormPrompts& p, const auto& dialog) {
            return RunDigitalProtocolDialog(d, cursor, protocolMemory, p, dialog);
        });
    };
    handlers[cmd::DigitalSwap] = [this] {
        if (WholeChannelDialog<CDigitalSwapDlg>(RunDigitalSwapDialog)) view->Redraw();
    };
    for (const CommandInfo& c : Commands()) {
        const int id = c.id;
        if (c.rule == EnableRule::View) {
            const bool button = id == cmd::CursorStepLeft || id == cmd::CursorStepRight ||
                                id == cmd::CursorPageLeft || id == cmd::CursorPageRight;
            handlers[id] = button ? std::function<void()>([this, id] { ReadoutButton(id); })
                                  : std::function<void()>([this, id] { view->RunCommand(id); });
        } else if (c.family != ChannelFamily::None) {
            const ChannelFamily family = c.family;
            const int ch = c.channel;
            handlers[id] = [this, family, ch] { ChannelCommand(family, ch); };
        }
    }
}

void CMainFrame::AddItems(QMenu* menu, std::initializer_list<int> ids) {
    for (int id : ids) {
        if (id == 0) {
            menu->addSeparator();
        } else {
            menu->addAction(actions.at(id));
        }
    }
}

QMenu* CMainFrame::AddPopup(QMenu* parent, const char* popupTitle, std::initializer_list<int> ids) {
    QMenu* menu = parent ? parent->addMenu(Q(popupTitle)) : new QMenu(Q(popupTitle), this);
    AddItems(menu, ids);
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
    return menu;
}

void CMainFrame::CreateMenus() {
    QMenuBar* bar = menuBar();
    const auto top = [&](const char* t, std::initializer_list<int> ids) {
        QMenu* menu = AddPopup(nullptr, t, ids);
        bar->addMenu(menu);
        return menu;
    };
    QMenu* file = top("ファイル(&F)", {cmd::FileNew, cmd::FileOpen, cmd::FileSave, cmd::FileSaveAs});
    AddPopup(file, "エクスポート(&E)",
             {cmd::FileExportCsv, cmd::FileExportVcd, cmd::FileExportWav, cmd::FileExportPwl});
    AddItems(file, {0, cmd::WaveformOutput, 0, cmd::AppExit});
    top("編集(&E)", {cmd::EditUndo, 0, cmd::TotalTimeChange, 0, cmd::EditLock});
    analogMenu = top("アナログ(&A)", {cmd::Sine, cmd::Rectangle, cmd::Dc, cmd::Ramp, cmd::Exponential, cmd::Noise,
                                      cmd::Formula, 0, cmd::AnalogModify, cmd::ExternalData});
    QMenu* digital = top("ディジタル(&D)", {cmd::DigitalClock, cmd::DigitalSerial, cmd::DigitalParallel,
                                            cmd::DigitalModify, cmd::DigitalSwap, cmd::DigitalProtocol, 0});
    const char* channelTitles[4] = {"CH0(&0)", "CH1(&1)", "CH2(&2)", "CH3(&3)"};
    for (int ch = 0; ch < 4; ++ch) {
        AddPopup(digital, channelTitles[ch],
                 {cmd::ChannelInvert[ch], cmd::ChannelShift[ch], cmd::ChannelCopy[ch], cmd::ChannelPaste[ch],
                  cmd::ChannelClear[ch]});
    }
    QMenu* show = top("表示(&V)", {});
    AddPopup(show, "ズーム(&Z)", {cmd::ZoomWhole, cmd::ZoomStandard, cmd::ZoomMax, cmd::ZoomIn, cmd::ZoomOut, 0,
                                  cmd::ZoomSetStandard, cmd::ZoomRestoreStandard});
    AddPopup(show, "カーソル(&C)", {cmd::CursorToTimeMark, cmd::CursorToStart, cmd::CursorToLastEdit, 0,
                                    cmd::CursorBack, cmd::CursorForward, 0, cmd::CursorToPosition});
    QMenu* mark = AddPopup(show, "タイムマーク(&M)", {});
    AddPopup(mark, "設置(&S)", {cmd::MarkAtCursor, cmd::MarkAtStart, cmd::MarkAtLastEdit, cmd::MarkAtPosition});
    AddPopup(mark, "移動(&M)", {cmd::MarkToCursor, cmd::MarkToStart, cmd::MarkToLastEdit, cmd::MarkToPosition});
    mark->addSeparator();
    mark->addAction(actions.at(cmd::MarkDelete));
    QMenu* help = top("ヘルプ(&H)", {});
    keyHelpAction = help->addAction(QStringLiteral("キー操作(&K)"));
    keyHelpAction->setStatusTip(QStringLiteral("波形表示のキー操作を表示します"));
    connect(keyHelpAction, &QAction::triggered, this, [this] { ShowMessage(ViewKeyHelpText); });
    help->addSeparator();
    help->addAction(actions.at(cmd::AppAbout));
}

void CMainFrame::CreateToolBar() {
    toolBar = addToolBar(QStringLiteral("ツール バー"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setIconSize(QSize(16, 16));
    for (int id : ToolBarLayout()) {
        if (id == 0) {
            toolBar->addSeparator();
        } else {
            toolBar->addAction(actions.at(id));
        }
    }
    // The tool bar sits above the readout bar.
    addToolBarBreak(Qt::TopToolBarArea);
}

void CMainFrame::CreateContextMenus() {
    cursorPopup = AddPopup(nullptr, "Cursor", {cmd::CursorToTimeMark, cmd::CursorToStart, cmd::CursorToLastEdit, 0,
                                               cmd::CursorBack, cmd::CursorForward, 0, cmd::CursorToPosition, 0});
    // Beside the cursor the command names what it sets; in the time-mark
    // menu it names where. Same command, same rule.
    markAtCursorInCursorMenu = new QAction(QStringLiteral("タイムマークを設置"), this);
    markAtCursorInCursorMenu->setStatusTip(actions.at(cmd::MarkAtCursor)->statusTip());
    connect(markAtCursorInCursorMenu, &QAction::triggered, this, [this] { RunCommand(cmd::MarkAtCursor); });
    cursorPopup->addAction(markAtCursorInCursorMenu);
    markPopup = AddPopup(nullptr, "TimeMark", {cmd::MarkToCursor, cmd::MarkToStart, cmd::MarkToLastEdit,
                                               cmd::MarkToPosition, 0, cmd::MarkDelete});
    zoomPopup = AddPopup(nullptr, "Zoom", {cmd::ZoomWhole, cmd::ZoomStandard, cmd::ZoomMax, cmd::ZoomIn, cmd::ZoomOut,
                                           0, cmd::ZoomSetStandard, cmd::ZoomRestoreStandard});
    const char* laneTitles[4] = {"CH0", "CH1", "CH2", "CH3"};
    for (int ch = 0; ch < 4; ++ch) {
        lanePopups[ch] = AddPopup(nullptr, laneTitles[ch],
                                  {cmd::ChannelClock[ch], cmd::ChannelSerial[ch], cmd::DigitalParallel,
                                   cmd::ChannelModify[ch], cmd::DigitalSwap, cmd::DigitalProtocol, 0,
                                   cmd::ChannelInvert[ch], cmd::ChannelShift[ch], 0, cmd::ChannelCopy[ch],
                                   cmd::ChannelPaste[ch], cmd::ChannelClear[ch]});
    }
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions.find(id);
    return it == actions.end() ? nullptr : it->second;
}

QToolButton* CMainFrame::ToolButtonOf(int id) const {
    return toolBar ? qobject_cast<QToolButton*>(toolBar->widgetForAction(actions.at(id))) : nullptr;
}

bool CMainFrame::IsBusy(int id) const {
    const auto it = busy.find(id);
    return it != busy.end() && it->second;
}

void CMainFrame::ScheduleUpdate() {
    if (!idleTimer.isActive()) idleTimer.start();
}

FrameState CMainFrame::Snapshot() const {
    FrameState s;
    s.hasWaveform = doc.HasWaveform();
    s.editAllowed = frameBlock.editAllowed;
    s.undoAvailable = doc.IsUndoAvailable();
    s.clipboardValid = doc.IsClipboardValid();
    s.dataModified = doc.IsDataModified();
    s.outputSettingsChanged = doc.IsOutputSettingsChanged();
    s.outputAvailable = outputAvailable;
    if (s.hasWaveform) {
        for (const CommandInfo& c : Commands()) {
            if (c.rule == EnableRule::View) s.View(c.viewOp) = view->IsCommandEnabled(c.id);
        }
    }
    return s;
}

void CMainFrame::UpdateCommands() {
    const FrameState s = Snapshot();
    for (const CommandInfo& c : Commands()) {
        actions.at(c.id)->setEnabled(IsCommandEnabled(c, s, IsBusy(c.id)));
        // Disabling releases a pressed button; a running command's stays pressed.
        if (IsBusy(c.id)) {
            if (QToolButton* button = ToolButtonOf(c.id)) button->setDown(true);
        }
    }
    actions.at(cmd::EditLock)->setChecked(!frameBlock.editAllowed);
    markAtCursorInCursorMenu->setEnabled(actions.at(cmd::MarkAtCursor)->isEnabled());
    printAction->setEnabled(s.hasWaveform && !printing);
}

void CMainFrame::RunCommand(int id) {
    const CommandInfo* info = FindCommand(id);
    if (!info || IsBusy(id)) return;
    if (!IsCommandEnabled(*info, Snapshot(), false)) return;
    const auto handler = handlers.find(id);
    if (handler == handlers.end()) return;
    busy[id] = true;
    // While its dialog runs, a command's tool-bar button stays pressed.
    QToolButton* button = ToolButtonOf(id);
    if (button) button->setDown(true);
    ScheduleUpdate();
    handler->second();
    if (button) button->setDown(false);
    busy[id] = false;
    ScheduleUpdate();
}

void CMainFrame::UpdateCaption() {
    setWindowTitle(Q(CaptionText(doc.HasWaveform(), titlePrefix.toStdString(), title.toStdString())));
}

void CMainFrame::ShowMessage(const std::string& text) { prompts->ShowMessage(this, Q(text)); }

// ---- File commands ----

void CMainFrame::NewWaveformCommand() {
    TakeOutputDialogSettings();
    if (!ConfirmDiscard()) return;
    const auto choice = prompts->AskNewTimeBase(this, NewPresetTotalNs, NewPresetSamplingNs, NewPresetCount);
    if (!choice) return;
    CloseOutputDialog();
    if (!doc.NewWaveform(choice->samplingNs, choice->count)) {
        ShowMessage(MsgInvalidParameter);
        return;
    }
    filePath.clear();
    title = Q(UntitledTitle);
    frameBlock = FrameBlock{};
    view->ResetView();
    UpdateCaption();
}

void CMainFrame::OpenCommand() {
    TakeOutputDialogSettings();
    if (!ConfirmDiscard()) return;
    const QString path = prompts->AskOpenPath(this);
    if (path.isEmpty()) return;
    CloseOutputDialog();
    OpenWaveformFile(path);
}

bool CMainFrame::OpenDroppedFile(const QString& path) {
    // Only .kdx files are opened; anything else is ignored before any question.
    if (!HasKdxExtension(path.toStdString())) return false;
    TakeOutputDialogSettings();
    if (!ConfirmDiscard()) return false;
    CloseOutputDialog();
    return OpenWaveformFile(path);
}

bool CMainFrame::OpenWaveformFile(const QString& path) {
    if (!HasKdxExtension(path.toStdString())) return false;
    // The file is read into buffers of its own so that a bad file cannot
    // touch the document.
    std::unique_ptr<SampleBuffers> buffers;
    try {
        buffers = std::make_unique<SampleBuffers>(SampleBuffers::ForReading);
    } catch (const std::bad_alloc&) {
        ShowMessage(MsgOpenMemory);
        return false;
    }
    WaveformHeader header;
    DialogMemories params;
    std::string message;
    if (!ReadWaveformFile(std::filesystem::path(path.toStdString()), header, ArraysOf(*buffers), params,
                          FileFormatVersion, message)) {
        ShowMessage(message);
        return false;
    }
    const bool current = header.formatVersion == FileFormatVersion;
    doc.LoadFromFile(header, ArraysOf(std::as_const(*buffers)), params, current);
    filePath = path;
    title = Q(FileNameOf(path.toStdString()));
    if (current) {
        frameBlock = header.frame;
        frameBlock.documentTag = DocumentTagOf(header.frame.documentTag);
        view->RestoreViewState(header.view);
    } else {
        frameBlock = FrameBlock{};
        view->ResetView();
    }
    UpdateCaption();
    ScheduleUpdate();
    return true;
}

bool CMainFrame::SaveWaveformFile(const QString& path) {
    TakeOutputDialogSettings();
    WaveformHeader header;
    DialogMemories params;
    doc.CollectForSave(header, params);
    header.frame = frameBlock;
    header.view = view->CaptureViewBlock();
    header.formatVersion = FileFormatVersion;
    std::string message;
    if (!WriteWaveformFile(std::filesystem::path(path.toStdString()), header, doc.GetSampleArrays(), params,
                           message)) {
        ShowMessage(message);
        return false;
    }
    filePath = path;
    title = Q(FileNameOf(path.toStdString()));
    SetOutputDialogFilePath(path);
    doc.MarkSaved();
    UpdateCaption();
    ScheduleUpdate();
    return true;
}

bool CMainFrame::Save() { return filePath.isEmpty() ? SaveAs() : SaveWaveformFile(filePath); }

bool CMainFrame::SaveAs() {
    const QString path = prompts->AskSavePath(this, title);
    if (path.isEmpty()) return false;
    return SaveWaveformFile(path);
}

bool CMainFrame::Export(ExportFormat format) {
    if (!doc.HasWaveform()) return false;
    const ExportSource source{doc.GetSampleArrays(), doc.GetSampleCount(), doc.GetSamplingTime()};
    ExportChoice choice{format, wavExportMemory, pwlExportMemory};
    if (format == ExportFormat::Wav) {
        const auto options = prompts->AskWavOptions(this, wavExportMemory);
        if (!options) return false;
        choice.wav = wavExportMemory = *options;
    } else if (format == ExportFormat::Pwl) {
        const auto options = prompts->AskPwlOptions(this, pwlExportMemory, source.samplingNs);
        if (!options) return false;
        choice.pwl = pwlExportMemory = *options;
    }
    // Proposed beside the document's file, when it has one.
    const QString name = Q(ExportFileName(title.toStdString(), format));
    const QString path =
        prompts->AskExportPath(this, format, filePath.isEmpty() ? name : QFileInfo(filePath).dir().filePath(name));
    if (path.isEmpty()) return false;
    const ExportOutcome outcome = WriteExport(std::filesystem::path(path.toStdString()), source, choice);
    if (!outcome.message.empty()) ShowMessage(outcome.message);
    return outcome.written;
}

PromptAnswer CMainFrame::PromptSaveChanges() {
    if (!doc.HasWaveform()) return PromptAnswer::No;
    TakeOutputDialogSettings();
    const std::string text = ComposeSavePrompt(doc.IsDataModified(), !filePath.isEmpty(), title.toStdString(),
                                               doc.IsOutputSettingsChanged());
    if (text.empty()) return PromptAnswer::No;
    return prompts->AskYesNoCancel(this, Q(text));
}

bool CMainFrame::ConfirmDiscard() {
    switch (PromptSaveChanges()) {
    case PromptAnswer::Yes: return Save();
    case PromptAnswer::No: return true;
    default: return false;
    }
}

bool CMainFrame::PrintView() {
    if (!doc.HasWaveform() || printing) return false;
    printing = true;
    ScheduleUpdate();
    const auto done = qScopeGuard([this] {
        printing = false;
        ScheduleUpdate();
    });
    // The view is wider than high, so the page is too.
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(title);
    if (!prompts->AskPrinter(this, printer)) return false;
    const QImage image = view->grab().toImage();
    QPainter painter;
    if (!painter.begin(&printer)) {
        ShowMessage(MsgPrintFailed);
        return false;
    }
    // The whole view, as large as the page allows, without distortion.
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawImage(0, 0, image);
    return painter.end();
}

// ---- Waveform output ----

void CMainFrame::OutputCommand() {
    if (doc.HasOutputDialog()) {
        doc.BringOutputDialogToFront();
        return;
    }
    doc.OpenOutputDialog([this]() -> std::unique_ptr<OutputPanelLink> {
        const OutputIdentity identity{outputSerial, outputDisplayName, title.toStdString()};
        return COutputDlg::Create(
            doc, identity, this, [this](QWidget* parent, const QString& text) { prompts->ShowMessage(parent, text); },
            [this] { CloseOutputDialog(); });
    });
}

void CMainFrame::CloseOutputDialog() {
    if (!doc.HasOutputDialog()) return;
    doc.CloseOutputDialog();
    ScheduleUpdate();  // the settings taken over may enable Save
}

void CMainFrame::ReleaseDeviceLibrary() {
    if (!deviceLibraryLoaded) return;
    FreeDeviceLibrary();
    deviceLibraryLoaded = false;
}

// ---- Edit commands ----

void CMainFrame::UndoCommand() {
    const UndoResult result = doc.Undo();
    if (!result.done) return;
    if (result.kind == UndoKindTimeBase) {
        view->ResetView();
    } else {
        view->OnUndoApplied();
    }
}

void CMainFrame::TotalTimeChangeCommand() {
    const int64_t sampling = doc.GetSamplingTime();
    const auto choice = prompts->AskTimeChange(this, static_cast<int64_t>(doc.GetTotalTime()), sampling,
                                               doc.GetSampleCount());
    if (!choice || choice->count == doc.GetSampleCount()) return;
    TakeOutputDialogSettings();
    CloseOutputDialog();
    bool changed = false;
    try {
        changed = doc.ChangeTimeBase(sampling, choice->count);
    } catch (const std::bad_alloc&) {
        ShowMessage(MsgTimeChangeMemory);
        return;
    }
    if (!changed) {
        ShowMessage(MsgInvalidParameter);
        return;
    }
    view->ResetView();
}

template <class Dialog, class Runner>
void CMainFrame::GeneratorCommand(Runner runner) {
    QtFormPrompts boxes(this);
    FormPrompts& prompts = dialogPrompts ? *dialogPrompts : boxes;
    const auto range = runner(doc, view->CursorSample(), prompts, [this](auto& form) {
        Dialog dialog(form, this);
        dialog.SetPrompts(dialogPrompts);
        return dialog.exec() == QDialog::Accepted;
    });
    if (range) view->OnEditApplied(range->first, range->end);
}

template <class Dialog, class Runner>
bool CMainFrame::WholeChannelDialog(Runner runner) {
    QtFormPrompts boxes(this);
    FormPrompts& prompts = dialogPrompts ? *dialogPrompts : boxes;
    return runner(doc, prompts, [this](auto& form) {
        Dialog dialog(form, this);
        dialog.SetPrompts(dialogPrompts);
        return dialog.exec() == QDialog::Accepted;
    });
}

void CMainFrame::FormulaCommand() {
    // Another editor may have added expressions since: the file is read afresh.
    if (formulaHistory) formulaMemory.history = formulaHistory->Load();
    const std::vector<std::string> before = formulaMemory.history;
    GeneratorCommand<CFormulaDlg>([this](CKDXDoc& d, uint32_t cursor, FormPrompts& p, const auto& dialog) {
        return RunFormulaDialog(d, cursor, p, formulaMemory, dialog);
    });
    if (formulaHistory && formulaMemory.history != before) formulaHistory->Save(formulaMemory.history);
}

void CMainFrame::ToggleEditLock() { frameBlock.editAllowed = !frameBlock.editAllowed; }

bool CMainFrame::ChannelEdit(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::bad_alloc&) {
        ShowMessage(MsgChannelMemory);
        return false;
    }
}

void CMainFrame::ChannelCommand(ChannelFamily family, int ch) {
    // The dialogs preset to a channel (or, from the menu, to the remembered one).
    const auto preset = [ch](auto run) {
        return [ch, run](CKDXDoc& d, uint32_t cursor, FormPrompts& p, const auto& dialog) {
            return run(d, cursor, ch, p, dialog);
        };
    };
    switch (family) {
    case ChannelFamily::Clock: GeneratorCommand<CDigitalDlg>(preset(RunDigitalClockDialog)); return;
    case ChannelFamily::Serial: GeneratorCommand<CDigitalSerialDlg>(preset(RunDigitalSerialDialog)); return;
    case ChannelFamily::Modify: GeneratorCommand<CDigitalModifyDlg>(preset(RunDigitalModifyDialog)); return;
    case ChannelFamily::Shift:
        if (!WholeChannelDialog<CDigitalShiftDlg>(
                [ch](CKDXDoc& d, FormPrompts& p, const auto& dialog) { return RunDigitalShiftDialog(d, ch, p, dialog); }))
            return;
        break;
    case ChannelFamily::Invert: if (!ChannelEdit([&] { doc.InvertChannel(ch); })) return; break;
    case ChannelFamily::Copy: ChannelEdit([&] { doc.CopyChannelToClipboard(ch); }); return;  // nothing on screen changes
    case ChannelFamily::Paste: if (!ChannelEdit([&] { doc.PasteChannel(ch); })) return; break;
    case ChannelFamily::Clear: if (!ChannelEdit([&] { doc.ClearChannel(ch); })) return; break;
    default: return;
    }
    view->Redraw();
}

void CMainFrame::ReadoutButton(int id) {
    // The pressed button gives the focus to the cursor time and stays disabled
    // until the idle update enables it again by its rule.
    if (QLineEdit* field = readout->FieldWidget(cmd::ReadoutCursorTime)) field->setFocus();
    actions.at(id)->setEnabled(false);
    view->RunCommand(id);
}

// ---- Window events ----

QMenu* CMainFrame::ContextMenuAt(const QPoint& viewPos) const {
    if (!doc.HasWaveform()) return nullptr;
    const ViewHitResult hit = view->HitTest(viewPos);
    switch (hit.hit) {
    case ViewHit::AnalogPlot: return analogMenu;
    case ViewHit::CursorMarker: return cursorPopup;
    case ViewHit::MarkMarker: return markPopup;
    case ViewHit::TimeAxis: return zoomPopup;
    case ViewHit::Lane: return hit.channel >= 0 && hit.channel < 4 ? lanePopups[hit.channel] : nullptr;
    default: return nullptr;
    }
}

void CMainFrame::ShowContextMenu(const QPoint& viewPos) {
    QMenu* menu = ContextMenuAt(viewPos);
    if (!menu) return;
    UpdateCommands();
    menu->exec(view->mapToGlobal(viewPos));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    TakeOutputDialogSettings();
    if (!ConfirmDiscard()) {
        event->ignore();
        return;
    }
    CloseOutputDialog();
    ReleaseDeviceLibrary();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    OpenDroppedFile(urls.front().toLocalFile());
}

}  // namespace kdx
