#include "LauncherApp.h"

int main(int argc, char** argv) {
    CLauncherApp app(argc, argv);
    app.InitInstance();
    return 0;
}
