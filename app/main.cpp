// Start-up: the application object and its title, the main window, the
// start-up document window, the hidden dialogs, then the message loop.
#include "app/Main.h"

#include "framework/ui/Application.h"
#include "net/Psock.h"
#include "web/Unit3.h"
#include "web/Unit4.h"

#include <QApplication>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication qtApplication(argc, argv);
    TApplication application;
    application.SetTitle(QStringLiteral("Pennivale 2.32"));
    // A time-out firing inside a transfer reaches the user in the error box.
    TThreadTimer::ApplicationExceptionHandler = [&application](const std::exception& error) {
        application.ShowException(error);
    };

    // The toolkit has taken its own options out of argv; the rest are ours,
    // kept as the bytes the system gave.
    std::vector<std::string> arguments(argv + 1, argv + argc);

    TMainForm MainForm;
    MainForm.showMaximized();
    MainForm.CreateStartupDocument(arguments);
    // The dialogs live as long as the main window, which owns them.
    new TfrmCrypt(&MainForm, MainForm);
    new TfrmAbout(&MainForm);
    new TfrmImport(&MainForm, MainForm);
    return application.Run();
}
