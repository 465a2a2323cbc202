#pragma once

#include <QDir>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace qinghe::test {

// A small HTTP/1.1 file server on 127.0.0.1 for the real-window tests: GET
// and HEAD of the files under a folder, with byte ranges (media players seek
// with them), 404 for what is not there, and any address under /drop/
// answered by closing the connection at once, as a network that drops does.
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    explicit LoopbackHttpServer(const QString& folder);
    // "http://127.0.0.1:<port>/"
    QString base() const;

private:
    void answer(QTcpSocket* socket);

    QDir folder_;
    QTcpServer server_;
};

}  // namespace qinghe::test
