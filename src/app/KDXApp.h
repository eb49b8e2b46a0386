// CKDXApp: one per process. Finds KDX.INI, enforces the single-instance rule,
// creates the document and the main window, opens a file named on the
// command line, and owns the About box.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/core/SettingsLocation.h"

class QLockFile;

namespace kdx {

class CKDXDoc;
class CMainFrame;
class FormulaHistoryStore;
class COutputSelectDlg;
class UserPrompts;

class CKDXApp {
public:
    CKDXApp();
    ~CKDXApp();
    CKDXApp(const CKDXApp&) = delete;
    CKDXApp& operator=(const CKDXApp&) = delete;

    // The start-up sequence; false ends the process before any window shows.
    // prompts answers the start-up message and is handed to the frame (null:
    // the real message boxes). showWindow false leaves the frame hidden (tests).
    bool RunStartup(const QStringList& arguments, UserPrompts* prompts = nullptr, bool showWindow = true);
    void Shutdown();

    static uint32_t GetFileFormatVersion();
    static QString GetVersionText();
    void SetDocumentTag(std::string_view text);
    std::string GetDocumentTag() const;
    void ShowAbout();
    bool IsStartupComplete() const { return startupComplete; }

    // Answers the choice of generator at start-up instead of the user (tests).
    void SetDeviceSelectRunner(std::function<int(COutputSelectDlg&)> run) { selectRunner = std::move(run); }

    CMainFrame* Frame() const { return frame.get(); }
    CKDXDoc* Document() const { return doc.get(); }
    const QString& SettingsPath() const { return settingsPath; }
    const QString& ExeDirectory() const { return exeDirectory; }
    int MaxNumber() const { return maxNumber; }

    // The settings file by the process's environment: KDX_INI, a KDX.INI
    // beside the executable, or the user's own (LocateSettings).
    static SettingsLocation LocateSettingsFile();
    // The single-instance lock "KDX" in the user's runtime (or temporary)
    // directory; null when it is not held. heldElsewhere tells whether another
    // running instance holds it (rather than the lock being impossible to
    // make). A lock left by a process that no longer runs is taken over.
    static std::unique_ptr<QLockFile> AcquireInstanceLock(bool* heldElsewhere = nullptr);
    static std::unique_ptr<QLockFile> LockInstanceAt(const QString& path, bool* heldElsewhere = nullptr);

private:
    // The generator for this instance: none, the first one, or the user's choice.
    void StartOutputDevice();

    std::function<int(COutputSelectDlg&)> selectRunner;
    std::unique_ptr<QLockFile> instanceLock;
    std::unique_ptr<CKDXDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<FormulaHistoryStore> formulaHistory;
    QString settingsPath;
    bool settingsPerUser = false;
    QString exeDirectory;
    int maxNumber = 1;
    bool startupComplete = false;
};

// Maps "MSゴシック", the face the view and the previews ask for, to an
// installed Japanese Gothic face.
void RegisterFontSubstitutions();

// Installs the toolkit's own Japanese texts (file dialogs, edit-field menus)
// into the application, so that the standard dialogs speak the program's
// language; false when the translations are not installed.
bool InstallToolkitTranslations();

}  // namespace kdx
