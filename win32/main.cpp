// plovex.exe: start-up. The application's title, the two windows in their order
// (engine/forms.h), the main window shown, then the loop until the main window closes.
#include "application.h"
#include "forms.h"
#include "mainform.h"
#include "scoreform.h"
#include "texts.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    TApplication app;
    app.setTitle(widen(kApplicationTitle));

    // The clear the runs take is chosen here too; each run's report says which.
    Forms<TMainForm, TScoreForm> forms;
    try {
        forms = CreateForms<TMainForm, TScoreForm>();
    } catch (const std::exception &e) {
        // Only a broken build or a starved desktop gets here.
        app.ShowException(e.what());
        return 1;
    }
    forms.mainForm->ShowCentred();
    return app.Run();
}
