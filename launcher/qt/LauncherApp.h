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

private:
    // The command line as the system gave it, less Qt's own options, which the application
    // takes out: its words are bytes, a file's name among them as it is (FileNames.h).
    int& m_argc;
    char** m_argv;
};
