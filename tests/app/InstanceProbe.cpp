// A second process for the single-instance test: runs the editor's start-up
// sequence with its messages printed instead of shown, prints "started" when
// the window would be up, and holds the instance until its input closes.
#include <QApplication>
#include <cstdio>
#include <iostream>
#include <string>

#include "app/KDXApp.h"
#include "ScriptedPrompts.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    kdx::test::ScriptedPrompts prompts;
    kdx::CKDXApp app;
    const bool started = app.RunStartup(QApplication::arguments(), &prompts, false);
    for (const QString& message : prompts.messages) std::printf("%s\n", message.toUtf8().constData());
    if (!started) return 1;
    std::printf("started\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);  // hold the instance until told to go
    app.Shutdown();
    return 0;
}
