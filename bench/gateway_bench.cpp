// Streaming through the pages' origin: 64 MiB read by a loopback client,
// from a local media file and from an upstream HTTP server through the
// stream gateway, beside the same bytes read straight from that upstream
// server. All three run in one event loop, the gateway's worst case.
#include "bench/bench_support.h"

#include "platform/qt/browser/origin_server.h"

#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace qinghe::bench {
namespace {

constexpr qint64 stream_bytes = 64 * 1024 * 1024;

// An upstream server that answers every request with stream_bytes bytes,
// written as fast as its client takes them.
class Upstream {
public:
    Upstream() : block_(256 * 1024, 'v') {
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n") || socket->property("sent").isValid()) return;
                    socket->setProperty("sent", qint64(0));
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nContent-Length: " +
                                  QByteArray::number(stream_bytes) + "\r\nConnection: close\r\n\r\n");
                    feed(socket);
                });
                QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { feed(socket); });
            }
        });
        server_.listen(QHostAddress::LocalHost, 0);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/live.ts").arg(server_.serverPort()); }
    quint16 port() const { return server_.serverPort(); }

private:
    void feed(QTcpSocket* socket) {
        qint64 sent = socket->property("sent").toLongLong();
        while (sent < stream_bytes && socket->bytesToWrite() < 1024 * 1024) {
            socket->write(block_.constData(), std::min<qint64>(block_.size(), stream_bytes - sent));
            sent += std::min<qint64>(block_.size(), stream_bytes - sent);
        }
        socket->setProperty("sent", sent);
        if (sent >= stream_bytes) socket->disconnectFromHost();
    }

    QTcpServer server_;
    QByteArray block_;
};

// GETs the path from 127.0.0.1:port and counts the bytes that come back.
qint64 read_all(quint16 port, const QByteArray& path) {
    QTcpSocket socket;
    qint64 received = 0;
    QEventLoop loop;
    QObject::connect(
        &socket, &QTcpSocket::connected,
        [&] { socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n\r\n"); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll().size(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    socket.connectToHost(QHostAddress::LocalHost, port);
    loop.exec();
    return received;
}

struct Origin {
    QTemporaryDir dir;
    platform::qt::OriginServer server;

    explicit Origin(const QString& identifier) {
        dir.setAutoRemove(true);
        QDir(dir.path()).mkpath(QStringLiteral("bg/media"));
        QFile page(dir.filePath(QStringLiteral("bg/tudou.htm")));
        page.open(QIODevice::WriteOnly);
        QUrl url = QUrl::fromLocalFile(page.fileName());
        url.setQuery(QStringLiteral("kwelo_iid=") + QString::fromLatin1(QUrl::toPercentEncoding(identifier)));
        server.open_page(url);
    }
    QByteArray play_path(const QString& identifier) const {
        return server.base().path().toUtf8() + "gateway/play?kwelo_iid=" + QUrl::toPercentEncoding(identifier);
    }
};

void run(benchmark::State& state, quint16 port, const QByteArray& path) {
    guarded(
        state,
        [&] {
            for (auto _ : state)
                if (read_all(port, path) < stream_bytes) throw std::runtime_error("the stream ended early");
            state.SetBytesProcessed(state.iterations() * stream_bytes);
        });
}

void gateway_remote_system(benchmark::State& state) {
    Upstream upstream;
    Origin origin(upstream.url());
    run(state, static_cast<quint16>(origin.server.base().port()), origin.play_path(upstream.url()));
}

void gateway_local_system(benchmark::State& state) {
    Origin origin(QStringLiteral("media/big.ts"));
    QFile big(origin.dir.filePath(QStringLiteral("bg/media/big.ts")));
    big.open(QIODevice::WriteOnly);
    const QByteArray block(1024 * 1024, 'v');
    for (qint64 i = 0; i < stream_bytes / block.size(); ++i) big.write(block);
    big.close();
    run(state, static_cast<quint16>(origin.server.base().port()), origin.play_path(QStringLiteral("media/big.ts")));
}

void gateway_baseline(benchmark::State& state) {
    Upstream upstream;
    run(state, upstream.port(), "/live.ts");
}

BENCHMARK(gateway_remote_system)
    ->Name("gateway/remote/system")
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(gateway_local_system)
    ->Name("gateway/local/system")
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(gateway_baseline)->Name("gateway/baseline")->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qinghe::bench
