// CMainFrame: the program's one top-level window and the hub of every
// command. Menus, tool bar, accelerators, context menus and the readout bar's
// buttons all trigger actions of one command table; each action's enabled
// state is its table rule evaluated on a snapshot of the program's state when
// the event loop goes idle after a change.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "analog/FormulaForm.h"
#include "digital/ProtocolForm.h"
#include "document/KDXDoc.h"
#include "document/WaveformRecords.h"
#include "frame/CommandTable.h"
#include "frame/qt/UserPrompts.h"

class QAction;
class QDockWidget;
class QMenu;
class QToolBar;
class QToolButton;

namespace kdx {

class CKDXView;
class FormPrompts;
class ReadoutBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(CKDXDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Replaces the windows the frame asks the user through (tests answer them).
    void SetPrompts(UserPrompts* prompts);
    UserPrompts& Prompts() { return *prompts; }
    void SetAboutHandler(std::function<void()> handler) { aboutHandler = std::move(handler); }
    // Where the formula dialog keeps its expression history (the caller's).
    void SetFormulaHistoryStore(FormulaHistoryStore* store) { formulaHistory = store; }
    // Where the editing dialogs' messages go (tests answer them); nullptr:
    // real message boxes.
    void SetDialogPrompts(FormPrompts* prompts) { dialogPrompts = prompts; }
    // The generator chosen for this instance names itself before the title.
    void SetTitlePrefix(const QString& prefix);
    void SetOutputAvailable(bool available);
    // The generator the output dialog opens (empty serial: the first one).
    void SetOutputDevice(const std::string& serial, const std::string& displayName);
    // Whether the generator's USB library was loaded when the frame was made.
    bool DeviceLibraryLoaded() const { return deviceLibraryLoaded; }

    // Runs a command as a menu item would, honouring its rule and busy flag.
    void RunCommand(int id);
    // Re-evaluates every command's rule now (normally done when idle).
    void UpdateCommands();
    // Something the rules look at changed outside a command (the output
    // panel, for example): re-evaluate when the event loop goes idle.
    void ScheduleUpdate();
    QAction* Action(int id) const;
    bool IsBusy(int id) const;

    // File operations.
    bool OpenWaveformFile(const QString& path);
    bool SaveWaveformFile(const QString& path);
    bool Save();
    bool SaveAs();
    // An export of the waveform: its options (WAV, PWL), the file name, the
    // file written as Save writes, then what the user should know; false when
    // cancelled or failed.
    bool Export(ExportFormat format);
    PromptAnswer PromptSaveChanges();
    bool ConfirmDiscard();
    void NewWaveformCommand();
    // A file dropped on the window or named on the command line.
    bool OpenDroppedFile(const QString& path);
    // Ctrl+P: the view as it is on screen, on one page of the printer the
    // user chooses; false when cancelled or when printing failed.
    bool PrintView();
    QAction* PrintAction() const { return printAction; }
    // Help: the list of the view's keys and mouse moves.
    QAction* KeyHelpAction() const { return keyHelpAction; }

    // Per-file state.
    const FrameBlock& Block() const { return frameBlock; }
    bool EditAllowed() const { return frameBlock.editAllowed; }
    std::string GetDocumentTag() const { return frameBlock.documentTag; }
    void SetDocumentTag(std::string_view text);
    const QString& FilePath() const { return filePath; }
    const QString& DocumentTitle() const { return title; }

    CKDXDoc& Document() { return doc; }
    CKDXView* View() const { return view; }
    ReadoutBar* Readout() const { return readout; }
    QToolBar* ToolBar() const { return toolBar; }
    // The context menu a right-click at a view point would show (none while no
    // waveform exists or nothing is hit).
    QMenu* ContextMenuAt(const QPoint& viewPos) const;
    QMenu* AnalogMenu() const { return analogMenu; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateContextMenus();
    void CreateHandlers();
    void UpdateCaption();
    FrameState Snapshot() const;
    void ShowContextMenu(const QPoint& viewPos);
    // Menu items in order; 0 stands for a separator.
    void AddItems(QMenu* menu, std::initializer_list<int> ids);
    QMenu* AddPopup(QMenu* parent, const char* title, std::initializer_list<int> ids);
    void ShowMessage(const std::string& text);
    // A channel command, or its memory message when its undo copy or the
    // clipboard cannot be had; false then.
    bool ChannelEdit(const std::function<void()>& command);
    QToolButton* ToolButtonOf(int id) const;

    // Commands.
    void OpenCommand();
    void UndoCommand();
    void TotalTimeChangeCommand();
    void ToggleEditLock();
    void FormulaCommand();
    void ChannelCommand(ChannelFamily family, int ch);
    // Runs a generator dialog through its document runner at the cursor and
    // shows the applied stretch.
    template <class Dialog, class Runner>
    void GeneratorCommand(Runner runner);
    // Runs a dialog that edits whole channels; true after its OK.
    template <class Dialog, class Runner>
    bool WholeChannelDialog(Runner runner);
    void ReadoutButton(int id);

    // The output dialog's part of the file commands.
    void OutputCommand();
    void TakeOutputDialogSettings() { doc.TakeOutputDialogSettings(); }
    void CloseOutputDialog();
    void SetOutputDialogFilePath(const QString& path) { doc.SetOutputDialogFilePath(path.toStdString()); }
    void ReleaseDeviceLibrary();

    CKDXDoc& doc;
    CKDXView* view = nullptr;
    ReadoutBar* readout = nullptr;
    QDockWidget* readoutDock = nullptr;
    QToolBar* toolBar = nullptr;
    QMenu* analogMenu = nullptr;
    QMenu* cursorPopup = nullptr;
    QAction* markAtCursorInCursorMenu = nullptr;
    QMenu* markPopup = nullptr;
    QMenu* zoomPopup = nullptr;
    std::array<QMenu*, 4> lanePopups{};
    std::map<int, QAction*> actions;
    QAction* printAction = nullptr;
    QAction* keyHelpAction = nullptr;
    std::map<int, std::function<void()>> handlers;
    std::map<int, bool> busy;
    QTimer idleTimer;
    std::unique_ptr<QtUserPrompts> ownPrompts;
    UserPrompts* prompts = nullptr;
    std::function<void()> aboutHandler;
    FormPrompts* dialogPrompts = nullptr;
    // The protocol dialog's last values, for this editor session only: the
    // waveform file keeps no record of them.
    ProtocolMemory protocolMemory;
    // The formula dialog's last values live for the session; its expression
    // history in the user's settings, when the program gives a place for it.
    FormulaMemory formulaMemory;
    FormulaHistoryStore* formulaHistory = nullptr;
    // The export options dialogs' last choices, for this session too.
    WavOptions wavExportMemory;
    PwlOptions pwlExportMemory;
    FrameBlock frameBlock;
    QString filePath;
    QString title;
    QString titlePrefix;
    bool outputAvailable = false;
    bool deviceLibraryLoaded = false;
    std::string outputSerial;
    std::string outputDisplayName;
    bool printing = false;
};

}  // namespace kdx
