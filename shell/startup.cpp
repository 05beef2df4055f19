#include "startup.h"

#include "application.h"
#include "display.h"
#include "forms.h"
#include "mainform.h"
#include "qttext.h"
#include "scoreform.h"
#include "texts.h"
#include "version.h"

#include <QApplication>

#include <cstdio>

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

    Forms<TMainForm, TScoreForm> forms;
    try {
        forms = CreateForms<TMainForm, TScoreForm>();
    } catch (const std::exception &e) {
        // Only a broken build gets here (its built-in pictures are unreadable).
        app.ShowException(QString::fromUtf8(e.what()));
        return 1;
    }
    if (const std::string_view caveat = forms.mainForm->presentationCaveat(); !caveat.empty())
        std::fprintf(stderr, "plovex: %.*s\n", int(caveat.size()), caveat.data());
    forms.mainForm->ShowCentred();
    app.Run();
    return 0;
}
