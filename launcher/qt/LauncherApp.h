#pragma once

#include <QApplication>

// The launcher's application: it shows the main dialog modally, and the process ends when the
// dialog closes. A file named on the command line becomes the dialog's input; switches change
// nothing.
class CLauncherApp : public QApplication {
    Q_OBJECT
public:
    CLauncherApp(int& argc, char** argv);
    ~CLauncherApp() override;

    // Runs the main dialog to its end. Always returns false: there is nothing left to run.
    bool InitInstance();
};
