#pragma once

#include "metrics/BoardMetrics.h"

#include <QString>

#include <memory>

class QLockFile;
struct BoardIdentity;

namespace prometheus {
class Exposer;
class Registry;
} // namespace prometheus

// Serves a registry at /metrics over HTTP (Prometheus' own client library and its embedded
// server), read-only: a scrape only reads the values last taken from the board.
class MetricsServer {
public:
    // Listens at once. Gives nothing, and why, when the address cannot be taken (in use, not one
    // of this machine's).
    static std::unique_ptr<MetricsServer> listen(const ListenAddress& address,
                                                 const std::shared_ptr<prometheus::Registry>& registry,
                                                 QString& error);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    // The port it listens on (the one chosen for port 0).
    int port() const { return port_; }

private:
    MetricsServer() = default;
    std::unique_ptr<prometheus::Exposer> exposer_;
    int port_{};
};

// One endpoint per board. A board on USB is held by the process that claimed it, so a second
// cannot open it; a simulated board or a chip on an SMBus adapter is not, so a lock file in
// `folder` (the user's runtime folder) names it: "vortane-serve-sim.lock",
// "vortane-serve-i2c-1-2e.lock", "vortane-serve-usb-1-4.2.lock". Gives the held lock, or nothing
// and why (the other process's id when it is known).
std::unique_ptr<QLockFile> LockBoardForServing(const BoardIdentity& board, const QString& folder,
                                               QString& error);
