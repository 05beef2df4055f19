// Handlers run inside guarded(): an error that escapes one is shown in a message box
// captioned with the application title, with an error icon, and the program carries on.
#pragma once

#include <exception>
#include <string_view>

// Shows one error; the application sets where (its title, its main window).
void reportError(std::string_view message);

template <typename Handler> void guarded(Handler &&handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        reportError(e.what());
    } catch (...) {
        reportError("Unknown error");
    }
}
