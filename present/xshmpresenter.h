// Puts the field on an X11 window from one shared-memory image, serially: the field is
// drawn straight into the image, each frame is put and its put's completion awaited before
// present() returns, so the next frame is never drawn while the server still reads the last.
// Nothing is copied on our side.
//
// The puts go through an X connection of the presenter's own, so their completions never
// pass through a toolkit's connection and its reader; the presenter reads them itself.
#pragma once

#include "presenter.h"
#include "putconnection.h"

#include <cstdint>
#include <functional>
#include <memory>

class XShmConnection;

class XShmPresenter final : public Presenter
{
public:
    // Told once when the connection to the X server breaks; frames reach no screen after it.
    using BrokenHandler = std::function<void()>;

    // A presenter on $DISPLAY for width x height pixels, or null where this cannot work: no
    // server, no MIT-SHM (a remote display), a screen whose pixels are not 32-bit
    // 0x00RRGGBB, or memory the server cannot attach.
    static std::unique_ptr<XShmPresenter> create(int width, int height, BrokenHandler onBroken);
    // A presenter over an open connection, which it takes; it puts the connection's first
    // image.
    static std::unique_ptr<XShmPresenter> over(std::unique_ptr<XShmConnection> connection,
                                               BrokenHandler onBroken);
    // The serial logic alone, over `connection`, with the frame in `pixels`.
    XShmPresenter(std::unique_ptr<PutConnection> connection, std::uint32_t *pixels,
                  BrokenHandler onBroken);
    ~XShmPresenter() override;

    // The window the frames go to (any client's); false when it cannot take them.
    bool setWindow(std::uint32_t window);

    std::uint32_t *pixels() override { return m_pixels; }
    void present(int visibleHeight) override;
    void represent(int visibleHeight) override;
    std::string_view path() const override { return "shm"; }

    // How long a completion is waited for before a round trip asks the server instead.
    static constexpr std::chrono::milliseconds kCompletionWait{250};

private:
    // Returns whether it had to wait.
    bool putAndWait(int visibleHeight);
    bool finished(std::uint32_t sequence) const;
    void take(std::optional<std::uint32_t> completion);
    void brokeDown();

    std::unique_ptr<PutConnection> m_connection;
    XShmConnection *m_xcb = nullptr; // the same connection where it is xcb's
    std::uint32_t *m_pixels;
    BrokenHandler m_onBroken;
    std::optional<std::uint32_t> m_finished; // latest request the server has finished
    bool m_broken = false;
};
