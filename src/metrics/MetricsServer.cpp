#include "metrics/MetricsServer.h"

#include "board/BoardIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

#include <prometheus/exposer.h>
#include <prometheus/registry.h>

#include <exception>

std::unique_ptr<MetricsServer> MetricsServer::listen(const ListenAddress& address,
                                                     const std::shared_ptr<prometheus::Registry>& registry,
                                                     QString& error) {
    std::unique_ptr<MetricsServer> server(new MetricsServer);
    try {
        // One worker thread: a scrape is small, and the board is never reached from here.
        server->exposer_ = std::make_unique<prometheus::Exposer>(address.text().toStdString(), 1);
        server->exposer_->RegisterCollectable(registry);
        const std::vector<int> ports = server->exposer_->GetListeningPorts();
        server->port_ = ports.empty() ? address.port : ports.front();
    } catch (const std::exception& e) {
        // The embedded server says only that it could not start: the usual reasons are known.
        error = QStringLiteral("cannot listen on %1: the port is in use, or the address is not one of this "
                               "machine's (%2)")
                    .arg(address.text(), QString::fromLocal8Bit(e.what()));
        return nullptr;
    }
    return server;
}

MetricsServer::~MetricsServer() = default;

std::unique_ptr<QLockFile> LockBoardForServing(const BoardIdentity& board, const QString& folder,
                                               QString& error) {
    QString key;
    switch (board.kind) {
    case BoardIdentity::Kind::Simulated:
        key = QStringLiteral("sim");
        break;
    case BoardIdentity::Kind::Usb:
        key = QStringLiteral("usb-") + (board.port.isEmpty() ? board.serial : board.port);
        break;
    case BoardIdentity::Kind::Smbus:
        key = QFileInfo(board.adapter).fileName() +
              QStringLiteral("-%1").arg(board.chipAddress, 2, 16, QLatin1Char('0'));
        break;
    }
    if (board.simulated && board.kind != BoardIdentity::Kind::Simulated) key.prepend(QStringLiteral("sim-"));
    key.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QString name = QDir(folder).filePath(QStringLiteral("vortane-serve-%1.lock").arg(key));
    auto lock = std::make_unique<QLockFile>(name);
    lock->setStaleLockTime(0); // held for as long as the process lives; a dead one's is taken over
    if (lock->tryLock(0)) return lock;
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, &host, &app))
        error = QStringLiteral("the board is busy: another vortane-cli serve (process %1) serves it (%2)")
                    .arg(pid)
                    .arg(name);
    else
        error = QStringLiteral("cannot make the lock file %1 that keeps a second endpoint off the board")
                    .arg(name);
    return nullptr;
}
