// Everything the frame asks the user through a modal window: message boxes,
// the file dialogs, the two time-base dialogs, the exports' options dialogs
// and the print dialog. One interface, so tests can
// answer them without a window; QtUserPrompts shows the real ones.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "frame/ExportForms.h"

class QPrinter;
class QWidget;

namespace kdx {

enum class PromptAnswer { Ok, Yes, No, Cancel };

struct TimeBaseChoice {
    int64_t totalNs = 0;
    int64_t samplingNs = 0;
    int64_t count = 0;
};

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A plain message with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // The save prompt: Yes, No and Cancel with an exclamation icon.
    virtual PromptAnswer AskYesNoCancel(QWidget* parent, const QString& text) = 0;
    // The open-file dialog; empty when cancelled.
    virtual QString AskOpenPath(QWidget* parent) = 0;
    // The save-file dialog proposing a name; empty when cancelled. Asks before
    // overwriting and adds the default extension.
    virtual QString AskSavePath(QWidget* parent, const QString& proposedName) = 0;
    // An export's save-file dialog with the format's caption, filter and
    // extension; otherwise as AskSavePath.
    virtual QString AskExportPath(QWidget* parent, ExportFormat format, const QString& proposedName) = 0;
    // The options of a WAV or PWL export, preset; nullopt when cancelled.
    virtual std::optional<WavOptions> AskWavOptions(QWidget* parent, const WavOptions& preset) = 0;
    virtual std::optional<PwlOptions> AskPwlOptions(QWidget* parent, const PwlOptions& preset, int64_t samplingNs) = 0;
    // File New's time base; nullopt when the dialog was closed.
    virtual std::optional<TimeBaseChoice> AskNewTimeBase(QWidget* parent, int64_t totalNs, int64_t samplingNs,
                                                         int64_t count) = 0;
    // The total-time change; nullopt when the dialog was closed.
    virtual std::optional<TimeBaseChoice> AskTimeChange(QWidget* parent, int64_t totalNs, int64_t samplingNs,
                                                        int64_t count) = 0;
    // The print dialog, which sets up the printer; false when cancelled.
    virtual bool AskPrinter(QWidget* parent, QPrinter& printer) = 0;
};

// The real windows: QMessageBox with Japanese button captions, QFileDialog
// with the KDX or export filters, CWaveTimeDlg, CWaveTimeChangeDlg, the
// export options dialogs and QPrintDialog.
class QtUserPrompts : public UserPrompts {
public:
    void ShowMessage(QWidget* parent, const QString& text) override;
    PromptAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
    QString AskOpenPath(QWidget* parent) override;
    QString AskSavePath(QWidget* parent, const QString& proposedName) override;
    QString AskExportPath(QWidget* parent, ExportFormat format, const QString& proposedName) override;
    std::optional<WavOptions> AskWavOptions(QWidget* parent, const WavOptions& preset) override;
    std::optional<PwlOptions> AskPwlOptions(QWidget* parent, const PwlOptions& preset, int64_t samplingNs) override;
    std::optional<TimeBaseChoice> AskNewTimeBase(QWidget* parent, int64_t totalNs, int64_t samplingNs,
                                                 int64_t count) override;
    std::optional<TimeBaseChoice> AskTimeChange(QWidget* parent, int64_t totalNs, int64_t samplingNs,
                                                int64_t count) override;
    bool AskPrinter(QWidget* parent, QPrinter& printer) override;
};

}  // namespace kdx
