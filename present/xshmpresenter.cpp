#include "xshmpresenter.h"

#include "xshmconnection.h"

std::unique_ptr<XShmPresenter> XShmPresenter::create(int width, int height, BrokenHandler onBroken)
{
    std::unique_ptr<XShmConnection> connection = XShmConnection::open(width, height);
    return connection ? over(std::move(connection), std::move(onBroken)) : nullptr;
}

std::unique_ptr<XShmPresenter> XShmPresenter::over(std::unique_ptr<XShmConnection> connection,
                                                   BrokenHandler onBroken)
{
    XShmConnection *xcb = connection.get();
    auto presenter =
        std::make_unique<XShmPresenter>(std::move(connection), xcb->pixels(), std::move(onBroken));
    presenter->m_xcb = xcb;
    return presenter;
}

XShmPresenter::XShmPresenter(std::unique_ptr<PutConnection> connection, std::uint32_t *pixels,
                             BrokenHandler onBroken)
    : m_connection(std::move(connection)), m_pixels(pixels), m_onBroken(std::move(onBroken))
{
}

XShmPresenter::~XShmPresenter() = default;

bool XShmPresenter::setWindow(std::uint32_t window)
{
    return m_xcb && m_xcb->setWindow(window);
}

void XShmPresenter::present(int visibleHeight)
{
    ++m_stats.frames;
    if (putAndWait(visibleHeight))
        ++m_stats.waitedFrames;
}

void XShmPresenter::represent(int visibleHeight)
{
    putAndWait(visibleHeight);
}

bool XShmPresenter::finished(std::uint32_t sequence) const
{
    return m_finished && !laterRequest(sequence, *m_finished);
}

void XShmPresenter::take(std::optional<std::uint32_t> completion)
{
    if (completion && (!m_finished || laterRequest(*completion, *m_finished)))
        m_finished = completion;
}

void XShmPresenter::brokeDown()
{
    m_broken = true;
    if (m_onBroken)
        m_onBroken();
}

bool XShmPresenter::putAndWait(int visibleHeight)
{
    if (m_broken)
        return false;
    const std::uint32_t put = m_connection->sendPut(visibleHeight);
    ++m_stats.puts;
    // xcb numbers no request on a broken connection.
    if (m_connection->broken()) {
        brokeDown();
        return false;
    }
    take(m_connection->pollCompletion(std::chrono::milliseconds(0)));
    if (finished(put))
        return false;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point giveUp = start + kCompletionWait;
    for (Clock::time_point now = start; !finished(put) && now < giveUp && !m_connection->broken();
         now = Clock::now())
        take(m_connection->pollCompletion(
            std::chrono::ceil<std::chrono::milliseconds>(giveUp - now)));
    // A completion that does not come (a lost event, a window gone) must not hang the
    // program: a reply comes once the server has handled the put, whatever became of it.
    if (!finished(put)) {
        if (m_connection->roundTrip()) {
            m_finished = put;
        } else {
            brokeDown();
        }
    }
    m_stats.waitedUs += std::uint64_t(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
    return true;
}
