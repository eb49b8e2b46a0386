#include "app/KDXApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QLockFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTranslator>

#include "app/AboutDlg.h"
#include "app/core/DeviceListFile.h"
#include "app/core/FormulaHistoryFile.h"
#include "app/core/ProfileFile.h"
#include "app/core/StartupSettings.h"
#include "device/qt/OutputSelectDlg.h"
#include "document/KDXDoc.h"
#include "document/WaveformLimits.h"
#include "frame/FileCommandText.h"
#include "frame/qt/MainFrame.h"
#include "frame/qt/UserPrompts.h"

namespace kdx {

void RegisterFontSubstitutions() {
    QFont::insertSubstitutions(QStringLiteral("MSゴシック"),
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                                QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("VL Gothic"),
                                QStringLiteral("TakaoGothic"), QStringLiteral("monospace")});
}

bool InstallToolkitTranslations() {
    // Owned by the application for the rest of the run.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

CKDXApp::CKDXApp() = default;

CKDXApp::~CKDXApp() { Shutdown(); }

SettingsLocation CKDXApp::LocateSettingsFile() {
    SettingsEnvironment environment;
    environment.kdxIni = qEnvironmentVariable("KDX_INI").toStdString();
    environment.exeDirectory = QCoreApplication::applicationDirPath().toStdString();
    environment.xdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString();
    environment.home = QDir::homePath().toStdString();
    return LocateSettings(environment);
}

std::unique_ptr<QLockFile> CKDXApp::AcquireInstanceLock(bool* heldElsewhere) {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    // Without a runtime directory the lock goes into the shared temporary
    // directory under the user's name, so that one user's editor never
    // counts as another user's running instance.
    const QString path = dir.isEmpty() ? QDir::temp().filePath(QStringLiteral("KDX-%1.lock").arg(QDir::home().dirName()))
                                       : QDir(dir).filePath(QStringLiteral("KDX.lock"));
    return LockInstanceAt(path, heldElsewhere);
}

std::unique_ptr<QLockFile> CKDXApp::LockInstanceAt(const QString& path, bool* heldElsewhere) {
    if (heldElsewhere) *heldElsewhere = false;
    auto lock = std::make_unique<QLockFile>(path);
    // Age never makes a lock stale; only a holder that no longer runs does.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) return lock;
    // Only a lock that exists and is held is another instance; a lock file
    // that cannot be made at all says nothing about other instances.
    if (heldElsewhere) *heldElsewhere = lock->error() == QLockFile::LockFailedError;
    return nullptr;
}

namespace {

// The expression history in the settings file, read and stored whole at each use.
class IniFormulaHistory : public FormulaHistoryStore {
public:
    IniFormulaHistory(const std::string& path, bool perUser) : file(path, perUser) {}
    std::vector<std::string> Load() override { return ReadFormulaHistory(file.Load()); }
    void Save(const std::vector<std::string>& history) override {
        IniText ini = file.Load();
        WriteFormulaHistory(ini, history);
        file.Store(ini);  // a read-only settings file keeps its history
    }

private:
    ProfileFile file;
};

}  // namespace

bool CKDXApp::RunStartup(const QStringList& arguments, UserPrompts* prompts, bool showWindow) {
    RegisterFontSubstitutions();

    const SettingsLocation location = LocateSettingsFile();
    settingsPath = QString::fromStdString(location.path.string());
    settingsPerUser = location.perUser;
    ProfileFile profile(settingsPath.toStdString(), settingsPerUser);
    FileProfileStore store(profile);
    maxNumber = ApplyStartupSettings(store);

    QtUserPrompts realPrompts;
    UserPrompts& ask = prompts ? *prompts : static_cast<UserPrompts&>(realPrompts);
    if (maxNumber == 1) {
        bool heldElsewhere = false;
        instanceLock = AcquireInstanceLock(&heldElsewhere);
        if (heldElsewhere) {
            ask.ShowMessage(nullptr, QString::fromUtf8(MsgAlreadyRunning));
            return false;
        }
        // When no lock can be made (no writable place for it), the editor
        // still starts, as it does when the system cannot create the mutex:
        // refusing with "already running" would be untrue.
    }

    doc = std::make_unique<CKDXDoc>();
    frame = std::make_unique<CMainFrame>(*doc);
    if (prompts) frame->SetPrompts(prompts);
    frame->SetAboutHandler([this] { ShowAbout(); });
    formulaHistory = std::make_unique<IniFormulaHistory>(settingsPath.toStdString(), settingsPerUser);
    frame->SetFormulaHistoryStore(formulaHistory.get());
    if (showWindow) {
        // Without a window manager (a bare virtual display) maximising does
        // nothing, so start at the screen's size; a manager maximises anyway.
        if (const QScreen* screen = frame->screen()) frame->resize(screen->availableGeometry().size());
        frame->showMaximized();
    }

    exeDirectory = QCoreApplication::applicationDirPath();
    StartOutputDevice();

    // The first argument after the program names a file to open.
    if (arguments.size() > 1) {
        const QString path = arguments.at(1);
        if (HasKdxExtension(path.toStdString())) frame->OpenWaveformFile(path);
    }
    startupComplete = true;
    return true;
}

void CKDXApp::StartOutputDevice() {
    ProfileFile profile(settingsPath.toStdString(), settingsPerUser);
    IniDeviceListStore store(profile);
    const OutputDeviceChoice choice =
        RunOutputDeviceStartup(frame.get(), maxNumber, frame->DeviceLibraryLoaded(), store, selectRunner);
    store.Commit();  // a read-only settings file keeps its list; the choice still holds
    frame->SetOutputDevice(choice.serial, choice.displayName);
    frame->SetTitlePrefix(QString::fromStdString(choice.titlePrefix));
    frame->SetOutputAvailable(choice.outputAvailable);
}

void CKDXApp::Shutdown() {
    frame.reset();
    doc.reset();
    if (instanceLock) {
        instanceLock->unlock();
        instanceLock.reset();
    }
}

uint32_t CKDXApp::GetFileFormatVersion() { return FileFormatVersion; }

QString CKDXApp::GetVersionText() {
    return QString::fromUtf8(ProgramVersionText) + QString::fromUtf8(ProgramBuildSuffix);
}

void CKDXApp::SetDocumentTag(std::string_view text) {
    if (frame) frame->SetDocumentTag(text);
}

std::string CKDXApp::GetDocumentTag() const { return frame ? frame->GetDocumentTag() : std::string(); }

void CKDXApp::ShowAbout() {
    CAboutDlg dialog(frame.get());
    dialog.exec();
}

}  // namespace kdx
