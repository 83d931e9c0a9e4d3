#pragma once

#include <QByteArray>

// Asks the session bus, before anything else does, whether it answers at all.
//
// Qt's platform theme, the accessibility bridge and the keyring client all talk to the session
// bus while the application starts, and each blocking call waits up to 25 s for a reply. A bus
// that accepts connections but never answers (a hung dbus-daemon, a stale forwarded socket)
// would keep the first window away for a minute. The probe connects to the address in
// DBUS_SESSION_BUS_ADDRESS and sends the first line of the D-Bus handshake; any reply within the
// time given counts as an answer.
class TBSessionBusProbe
{
public:
    enum Result {
        NoBus, // no address, or none that can be reached: every client fails at once
        Answers, // it replied, or the address is of a kind the probe does not know
        Silent, // connected, but no reply in time
    };

    static Result probe(const QByteArray& address, int timeoutMs);

    // Probes DBUS_SESSION_BUS_ADDRESS; when the bus is silent, points this process at an address
    // that fails at once, so that nothing waits for that bus (and logs why). Call before the
    // QApplication is made. Returns the probe's result.
    static Result avoidSilentBus(int timeoutMs = defaultTimeoutMs);

    // A running bus answers in milliseconds; this is ample on a loaded machine.
    static constexpr int defaultTimeoutMs = 2000;
    // What the process is pointed at instead of a silent bus.
    static constexpr const char* unreachableAddress = "unix:path=/dev/null/no-session-bus";
};
