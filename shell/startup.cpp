#include "startup.h"

#include "application.h"
#include "display.h"
#include "fieldbitmap.h"
#include "mainform.h"
#include "qttext.h"
#include "scoreform.h"
#include "texts.h"
#include "version.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int RunPlovex(int argc, char *argv[])
{
    // The program's only message of its own: Qt would abort with a page of plugin
    // diagnostics instead.
    DisplayChoice display = PrepareDisplay();
    if (display.problem) {
        std::fprintf(stderr, "plovex: %s\n", display.problem->c_str());
        return 1;
    }
    TApplication::PrepareToolkit();
    // The program takes no arguments; only the program name reaches Qt.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication qtApp(qtArgc, argv);
    display.checked.reset(); // Qt has its own connection now
    QCoreApplication::setApplicationVersion(toQString(kProgramVersion));

    TApplication app;
    app.setTitle(toQString(kApplicationTitle));

    // Before the first frame, so that every frame clears the same way.
    chooseClearMethod();

    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TScoreForm> scoreForm;
    try {
        mainForm = std::make_unique<TMainForm>();
        scoreForm = std::make_unique<TScoreForm>();
    } catch (const std::exception &e) {
        // Only a broken build gets here (its built-in pictures are unreadable).
        app.ShowException(QString::fromUtf8(e.what()));
        return 1;
    }
    if (const std::string_view caveat = mainForm->presentationCaveat(); !caveat.empty())
        std::fprintf(stderr, "plovex: %.*s\n", int(caveat.size()), caveat.data());
    mainForm->setScoreTable([table = scoreForm.get()] { table->Show(); });
    mainForm->ShowCentred();
    app.Run();
    return 0;
}
