// The one window procedure of every window class here, in the classic shape: the object
// that holds a window's state is handed to CreateWindowExW, is kept in GWLP_USERDATA from
// WM_NCCREATE on, and answers each message in its HandleMessage, a switch that hands the
// message to one small On... function (the message crackers of windowsx.h, HANDLE_MSG).
#pragma once

#include "winapi.h"

#include <windowsx.h>

#include <stdexcept>
#include <utility>

// Derived declares `LRESULT HandleMessage(HWND, UINT, WPARAM, LPARAM)` and befriends
// Window<Derived>.
template <typename Derived> class Window
{
public:
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    HWND handle() const { return m_window; }

protected:
    Window() = default;
    ~Window() { destroyWindow(); }

    // Registers the class once, with the procedure below; `wc` says the rest.
    static void registerClass(WNDCLASSW wc)
    {
        static const bool registered = [&] {
            wc.lpfnWndProc = procedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            return RegisterClassW(&wc) != 0;
        }();
        (void)registered;
    }

    // Makes the window, with this object as its state. The handle is ours from
    // WM_NCCREATE on, so the messages of the creation itself reach their On... functions.
    void createWindow(DWORD exStyle, const wchar_t *className, const wchar_t *text, DWORD style,
                      int left, int top, int width, int height, HWND parent)
    {
        CreateWindowExW(exStyle, className, text, style, left, top, width, height, parent, nullptr,
                        GetModuleHandleW(nullptr), static_cast<Derived *>(this));
        if (!m_window)
            throw std::runtime_error("cannot create a window");
    }

    // Destroys the window without telling this object: its state may be half gone. Child
    // windows go with it, and their objects learn it from WM_NCDESTROY.
    void destroyWindow()
    {
        if (!m_window)
            return;
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(std::exchange(m_window, nullptr));
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto *self = static_cast<Derived *>(
                reinterpret_cast<const CREATESTRUCTW *>(lParam)->lpCreateParams);
            self->Window::m_window = window; // before CreateWindowExW returns it
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto *self = reinterpret_cast<Derived *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self)
            return DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            // The window system destroyed it (a parent went, or the window closed itself).
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->Window::m_window = nullptr;
            return DefWindowProcW(window, message, wParam, lParam);
        }
        return self->HandleMessage(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
};
