#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTcpServer>

#include <vector>

class QTcpSocket;

namespace qinghe::test {

// A small HTTP/1.1 file server on 127.0.0.1 for the real-window tests: GET
// and HEAD of the files under a folder, with byte ranges (media players seek
// with them), 404 for what is not there, and any address under /drop/
// answered by closing the connection at once, as a network that drops does.
// It keeps the target and head of every request it sees and counts
// connections, so a test can tell what reached it. Like a provider's server
// it can refuse (403) requests under a path that lack the headers it wants.
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    explicit LoopbackHttpServer(const QString& folder);
    // "http://127.0.0.1:<port>/"
    QString base() const;
    // The targets requested so far, and every connection made, request or not.
    const QStringList& requests() const { return requests_; }
    int connections() const { return connections_; }

    // Requests whose path starts with prefix are answered 403 unless they
    // carry every one of these headers with exactly this value; the prefix
    // is left off to find the file.
    void require_headers(const QString& prefix, const QList<QPair<QByteArray, QByteArray>>& headers);

    struct Seen {
        QString path;
        QByteArray head;
        // The value of a header of the request, empty when it has none.
        QByteArray header(const QByteArray& name) const;
    };
    const std::vector<Seen>& seen() const { return seen_; }

private:
    void answer(QTcpSocket* socket);

    QDir folder_;
    QStringList requests_;
    int connections_ = 0;
    QTcpServer server_;
    QString guarded_prefix_;
    QList<QPair<QByteArray, QByteArray>> required_;
    std::vector<Seen> seen_;
};

}  // namespace qinghe::test
