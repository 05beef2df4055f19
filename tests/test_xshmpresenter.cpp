// Serial presentation over a connection that the test plays: whatever the server does with
// a put (completes it at once, late, never, or drops the connection), present() returns
// only once the put has been seen finished, so the next frame cannot start drawing early,
// and the program never hangs.
#include "xshmpresenter.h"

#include <QTest>

namespace {

// Completes each put after `lateBy` polls that were allowed to wait (never when negative).
class LateConnection : public PutConnection
{
public:
    explicit LateConnection(int lateBy) : m_lateBy(lateBy) {}

    std::uint32_t sendPut(int visibleHeight) override
    {
        if (!alive)
            return 0;
        lastHeight = visibleHeight;
        lastPut = ++m_requests;
        m_waitingPolls = 0;
        return lastPut;
    }
    std::optional<std::uint32_t> pollCompletion(std::chrono::milliseconds wait) override
    {
        if (wait.count() > 0)
            ++m_waitingPolls;
        if (!alive || m_lateBy < 0 || m_waitingPolls < m_lateBy || seenDone == lastPut)
            return std::nullopt;
        seenDone = lastPut;
        return lastPut;
    }
    bool roundTrip() override
    {
        ++roundTrips;
        ++m_requests;
        if (!alive)
            return false;
        seenDone = lastPut;
        return true;
    }
    bool broken() const override { return !alive; }

    bool alive = true;
    std::uint32_t lastPut = 0;
    std::uint32_t seenDone = 0; // the latest put the presenter has been told is done
    int lastHeight = 0;
    int roundTrips = 0;

private:
    int m_lateBy;
    std::uint32_t m_requests = 0;
    int m_waitingPolls = 0;
};

} // namespace

class TestXShmPresenter : public QObject
{
    Q_OBJECT

private slots:
    void eachFrameIsOnTheScreenBeforeTheNextIsDrawn_data()
    {
        QTest::addColumn<int>("lateBy");
        QTest::addColumn<int>("waitedFrames");
        QTest::addColumn<int>("roundTrips");
        QTest::newRow("completed at once") << 0 << 0 << 0;
        QTest::newRow("completed after one wait") << 1 << 3 << 0;
        QTest::newRow("completed after several waits") << 5 << 3 << 0;
        // An expose re-puts too: its put is waited for like a frame's, uncounted.
        QTest::newRow("never completed: a round trip instead") << -1 << 3 << 6;
    }
    void eachFrameIsOnTheScreenBeforeTheNextIsDrawn()
    {
        QFETCH(int, lateBy);
        QFETCH(int, waitedFrames);
        QFETCH(int, roundTrips);
        std::uint32_t frame[4] = {};
        auto owned = std::make_unique<LateConnection>(lateBy);
        LateConnection &connection = *owned;
        XShmPresenter presenter(std::move(owned), frame, nullptr);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(presenter.pixels(), frame);
            presenter.present(293 - i);
            QCOMPARE(connection.lastHeight, 293 - i);
            QCOMPARE(connection.seenDone, connection.lastPut);
            presenter.represent(293);
            QCOMPARE(connection.seenDone, connection.lastPut);
        }
        QCOMPARE(presenter.stats().frames, 3u);
        QCOMPARE(presenter.stats().puts, 6u);
        QCOMPARE(presenter.stats().waitedFrames, std::uint64_t(waitedFrames));
        QCOMPARE(connection.roundTrips, roundTrips);
    }

    void aBrokenConnectionIsToldOnceAndNothingWaitsAfterIt()
    {
        std::uint32_t frame[4] = {};
        auto owned = std::make_unique<LateConnection>(-1);
        LateConnection &connection = *owned;
        int told = 0;
        XShmPresenter presenter(std::move(owned), frame, [&told] { ++told; });
        presenter.present(293);
        connection.alive = false;
        presenter.present(293);
        presenter.present(293);
        presenter.represent(293);
        QCOMPARE(told, 1);
        QCOMPARE(presenter.stats().puts, 2u);
        // A round trip for the put that never completed; none once the break is known.
        QCOMPARE(connection.roundTrips, 1);
    }
};

QTEST_APPLESS_MAIN(TestXShmPresenter)
#include "test_xshmpresenter.moc"
