// Answers the frame's questions from a script and records what was asked.
#pragma once

#include <QPrinter>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "frame/qt/UserPrompts.h"

namespace kdx::test {

class ScriptedPrompts : public UserPrompts {
public:
    QStringList messages;
    QStringList questions;
    std::deque<PromptAnswer> answers;  // empty: Cancel
    QString openPath;
    QString savePath;
    QString exportPath;
    QStringList exportNames;  // the names the export dialogs proposed
    std::optional<WavOptions> wavOptions = WavOptions{};
    std::optional<PwlOptions> pwlOptions = PwlOptions{};
    std::optional<TimeBaseChoice> newTimeBase = TimeBaseChoice{5000000, 20, 250000};
    std::optional<TimeBaseChoice> timeChange;
    std::function<void()> whileAskingNewTimeBase;  // runs while File New's dialog would be up
    QString printPdfPath;  // the print dialog prints into this PDF file; empty: cancelled
    int printerAsked = 0;

    std::function<void()> whileShowingMessage;  // runs while a message box would be up

    void ShowMessage(QWidget*, const QString& text) override {
        messages << text;
        if (whileShowingMessage) whileShowingMessage();
    }
    PromptAnswer AskYesNoCancel(QWidget*, const QString& text) override {
        questions << text;
        if (answers.empty()) return PromptAnswer::Cancel;
        const PromptAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString AskOpenPath(QWidget*) override { return openPath; }
    QString AskSavePath(QWidget*, const QString&) override { return savePath; }
    QString AskExportPath(QWidget*, ExportFormat, const QString& proposedName) override {
        exportNames << proposedName;
        return exportPath;
    }
    std::optional<WavOptions> AskWavOptions(QWidget*, const WavOptions&) override { return wavOptions; }
    std::optional<PwlOptions> AskPwlOptions(QWidget*, const PwlOptions&, int64_t) override { return pwlOptions; }
    std::optional<TimeBaseChoice> AskNewTimeBase(QWidget*, int64_t, int64_t, int64_t) override {
        if (whileAskingNewTimeBase) whileAskingNewTimeBase();
        return newTimeBase;
    }
    std::optional<TimeBaseChoice> AskTimeChange(QWidget*, int64_t, int64_t, int64_t) override { return timeChange; }
    bool AskPrinter(QWidget*, QPrinter& printer) override {
        ++printerAsked;
        if (printPdfPath.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printPdfPath);
        return true;
    }
};

}  // namespace kdx::test
