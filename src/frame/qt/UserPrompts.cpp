#include "frame/qt/UserPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "document/qt/WaveTimeChangeDlg.h"
#include "document/qt/WaveTimeDlg.h"
#include "frame/FileCommandText.h"
#include "frame/qt/ExportDlgs.h"

namespace kdx {

void QtUserPrompts::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KDX"), text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

PromptAnswer QtUserPrompts::AskYesNoCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("KDX"), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    default: return PromptAnswer::Cancel;
    }
}

QString QtUserPrompts::AskOpenPath(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("開く"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromUtf8(OpenFileFilter));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

namespace {

// Qt's save dialog asks before it overwrites a file and adds the extension.
QString AskSaveFile(QWidget* parent, const char* caption, const char* filter, const char* suffix,
                    const QString& proposedName) {
    QFileDialog dialog(parent, QString::fromUtf8(caption));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(filter));
    dialog.setDefaultSuffix(QString::fromUtf8(suffix));
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace

QString QtUserPrompts::AskSavePath(QWidget* parent, const QString& proposedName) {
    return AskSaveFile(parent, "名前を付けて保存", SaveFileFilter, DefaultSuffix, proposedName);
}

QString QtUserPrompts::AskExportPath(QWidget* parent, ExportFormat format, const QString& proposedName) {
    const ExportFileTexts& texts = ExportFileTextsOf(format);
    return AskSaveFile(parent, texts.caption, texts.filter, texts.extension, proposedName);
}

std::optional<WavOptions> QtUserPrompts::AskWavOptions(QWidget* parent, const WavOptions& preset) {
    CWavExportDlg dialog(preset, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Options();
}

std::optional<PwlOptions> QtUserPrompts::AskPwlOptions(QWidget* parent, const PwlOptions& preset, int64_t samplingNs) {
    CPwlExportDlg dialog(preset, samplingNs, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Options();
}

std::optional<TimeBaseChoice> QtUserPrompts::AskNewTimeBase(QWidget* parent, int64_t totalNs, int64_t samplingNs,
                                                            int64_t count) {
    CWaveTimeDlg dialog(totalNs, samplingNs, count, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TimeBaseChoice{dialog.TotalTime(), dialog.SamplingTime(), dialog.SampleCount()};
}

std::optional<TimeBaseChoice> QtUserPrompts::AskTimeChange(QWidget* parent, int64_t totalNs, int64_t samplingNs,
                                                           int64_t count) {
    CWaveTimeChangeDlg dialog(totalNs, samplingNs, count, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return TimeBaseChoice{dialog.TotalTime(), samplingNs, dialog.SampleCount()};
}

bool QtUserPrompts::AskPrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kdx
