#pragma once

#include "converterserver.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace quillbrook {

// One book converted by the warm converter, with the same members as the
// per-book launcher's ConverterProcess, so that a run can hold a book in
// either and treat both alike. The one addition is lost(): the server could
// not convert this book, which then belongs to the per-book launcher.
class ServedConversion : public QObject {
    Q_OBJECT

public:
    ServedConversion(ConverterServer& server, const ServedBook& book, QObject* parent = nullptr);
    // Ends the book's child with its process group when it is still running.
    ~ServedConversion() override;

    // False when the server took no request for the book; errorText() then says why.
    bool start();
    QString errorText() const { return errorText_; }

    // Ends the book's child with its whole process group; no ended() follows.
    void endTree();

    // How the child ended: its exit status, or the signal that ended it.
    bool endedBySignal() const { return endedBySignal_; }
    int exitStatus() const { return exitStatus_; }
    // The server refused the book or ended before the book did; errorText()
    // says why, and no exit status is known.
    bool lost() const { return lost_; }

signals:
    // The child has ended, and what it left running has been ended too; or
    // the book was lost.
    void ended();

private:
    void childEnded(qint64 id, bool exitedBySignal, int status);
    void loseBook(const QString& reason);

    QPointer<ConverterServer> server_;
    ServedBook book_;
    QString errorText_;
    bool running_ = false;
    bool endedBySignal_ = false;
    int exitStatus_ = 0;
    bool lost_ = false;
};

} // namespace quillbrook
