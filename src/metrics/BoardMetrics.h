#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class AlarmMonitor;
class Session;

namespace prometheus {
class Registry;
class Gauge;
template <typename T> class Family;
class Counter;
} // namespace prometheus

// Where a metrics endpoint listens: an IPv4 address (the embedded HTTP server of Debian's
// prometheus-cpp does not take IPv6 ones) and a port.
struct ListenAddress {
    QString host = QStringLiteral("127.0.0.1");
    int port = 9813;
    // "127.0.0.1:9813": as given to the HTTP server and shown to the user.
    QString text() const;
};
// Port 9813 on the loopback interface only: nothing reaches it from another machine until
// --listen says so.
inline constexpr int DefaultMetricsPort = 9813;

// Reads "ADDR:PORT" (port 0: any free port, as tests use it). Gives nothing and what is wrong.
std::optional<ListenAddress> ParseListenAddress(const QString& text, QString& error);

// The board's readings, alarms and link as Prometheus metrics, in their own registry that an
// endpoint serves. Only values the program has read appear: a group never read, or a fan that is
// not there, has no sample at all rather than a made-up 0 (or the 82 RPM a tach that counts no
// pulse decodes to). Reading the metrics never reaches the board.
class BoardMetrics {
public:
    BoardMetrics();
    ~BoardMetrics();
    BoardMetrics(const BoardMetrics&) = delete;
    BoardMetrics& operator=(const BoardMetrics&) = delete;

    // Takes what the session holds now. alarms: the alarm monitor when one runs (its states
    // appear once it has looked at the chip). nowS: the wall-clock time in seconds since the
    // epoch, given to a reading that is newer than at the last update.
    void update(Session& session, const AlarmMonitor* alarms, double nowS);
    // The link is lost: every reading and alarm goes, the link state reads 0; the counts and
    // the time of the last reading stay.
    void linkLost();

    std::shared_ptr<prometheus::Registry> registry() const { return registry_; }
    // The metrics in the text format, as an endpoint serves them.
    std::string text() const;

private:
    struct Families;
    std::shared_ptr<prometheus::Registry> registry_;
    std::unique_ptr<Families> f_;
    std::array<bool, 4> seenTurning_{};
    std::uint64_t sent_{};
    std::uint64_t failed_{};
    std::array<std::uint64_t, 4> reads_{};
};
