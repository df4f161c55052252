#include "servedconversion.h"

namespace quillbrook {

ServedConversion::ServedConversion(ConverterServer& server, const ServedBook& book, QObject* parent)
    : QObject(parent), server_(&server), book_(book) {
    connect(&server, &ConverterServer::ended, this, &ServedConversion::childEnded);
    connect(&server, &ConverterServer::notStarted, this, [this](qint64 id, const QString& reason) {
        if (id == book_.id)
            loseBook(QStringLiteral("the converter server could not start it (%1)").arg(reason));
    });
    connect(&server, &ConverterServer::serverLost, this,
            [this](const QString& reason) { loseBook(reason); });
}

ServedConversion::~ServedConversion() {
    endTree();
}

bool ServedConversion::start() {
    if (!server_ || !server_->convert(book_)) {
        errorText_ = QStringLiteral("the converter server took no request for it");
        return false;
    }
    running_ = true;
    return true;
}

void ServedConversion::endTree() {
    if (running_ && server_)
        server_->endBook(book_.id);
    running_ = false;
}

void ServedConversion::childEnded(qint64 id, bool exitedBySignal, int status) {
    if (id != book_.id || !running_)
        return;
    running_ = false;
    endedBySignal_ = exitedBySignal;
    exitStatus_ = status;
    emit ended();
}

void ServedConversion::loseBook(const QString& reason) {
    if (!running_)
        return;
    running_ = false;
    lost_ = true;
    errorText_ = reason;
    emit ended();
}

} // namespace quillbrook
