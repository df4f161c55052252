#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

namespace quillbrook {

// One converter, started by running its batch file with /bin/sh, driven from
// the event loop. It runs in a process group of its own, so that ending it
// also ends every process it started; it gets a parent-death signal, so that
// it dies with the program even when the program is killed outright; and its
// TMPDIR, TEMP and TMP name the given folder, so that what it leaves behind
// stays where the caller removes it.
class ConverterProcess : public QObject {
    Q_OBJECT

public:
    ConverterProcess(const QString& batchFile, const QString& temporaryFolder,
                     QObject* parent = nullptr);
    // Ends the whole process tree when it is still running.
    ~ConverterProcess() override;

    // False when the shell could not be started; errorText() then says why.
    bool start();
    QString errorText() const { return process_.errorString(); }

    // Ends the converter with its whole process tree and waits for it; no
    // ended() follows.
    void endTree();

    // How the converter ended: its exit status, or the signal that ended it.
    bool endedBySignal() const { return process_.exitStatus() == QProcess::CrashExit; }
    int exitStatus() const { return process_.exitCode(); }

signals:
    // The converter has ended, and what it left running has been ended too.
    void ended();

private:
    void killGroup();
    void converterFinished();

    QProcess process_;
    qint64 group_ = 0;
    bool endingOnRequest_ = false;
};

} // namespace quillbrook
