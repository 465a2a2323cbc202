#pragma once

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

namespace qinghe::test {

// A small HTTP/1.1 file server on 127.0.0.1 for the real-window tests: GET
// and HEAD of the files under a folder, with byte ranges (media players seek
// with them), 404 for what is not there, and any address under /drop/
// answered by closing the connection at once, as a network that drops does.
// It keeps the target of every request it sees and counts connections, so a
// test can tell what reached it.
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    explicit LoopbackHttpServer(const QString& folder);
    // "http://127.0.0.1:<port>/"
    QString base() const;
    // The targets requested so far, and every connection made, request or not.
    const QStringList& requests() const { return requests_; }
    int connections() const { return connections_; }

private:
    void answer(QTcpSocket* socket);

    QDir folder_;
    QStringList requests_;
    int connections_ = 0;
    QTcpServer server_;
};

}  // namespace qinghe::test
