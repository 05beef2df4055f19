// plovex.exe: start-up. The application's title, the main window (whose creation starts
// the first run), the score table window hidden, then the loop until the main window closes.
#include "application.h"
#include "mainform.h"
#include "scoreform.h"
#include "texts.h"

#include <memory>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    TApplication app;
    app.setTitle(widen(kApplicationTitle));

    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<TScoreForm> scoreForm;
    try {
        mainForm = std::make_unique<TMainForm>();
        scoreForm = std::make_unique<TScoreForm>();
    } catch (const std::exception &e) {
        // Only a broken build or a starved desktop gets here.
        app.ShowException(e.what());
        return 1;
    }
    mainForm->setScoreTable([table = scoreForm.get()] { table->Show(); });
    mainForm->ShowCentred();
    return app.Run();
}
