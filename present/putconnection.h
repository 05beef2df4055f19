// What serial presentation asks of an X connection: the real one is xcb's; a test's may
// complete late or never.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

class PutConnection
{
public:
    virtual ~PutConnection() = default;

    // Sends and flushes a put of the image's rows 0..visibleHeight-1 to the window, asking
    // for its completion; returns the request's sequence number.
    virtual std::uint32_t sendPut(int visibleHeight) = 0;
    // Reads what has arrived, first waiting up to `wait` for something when nothing has:
    // the sequence number of the latest request the server says it has finished (a
    // completion, or an error that ended a put), or nothing.
    virtual std::optional<std::uint32_t> pollCompletion(std::chrono::milliseconds wait) = 0;
    // Returns once the server has handled every request sent before; false when the
    // connection is broken.
    virtual bool roundTrip() = 0;
    virtual bool broken() const = 0;
};
