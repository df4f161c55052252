#pragma once

#include "quillbrookversion.h"
#include "testenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <unistd.h>

namespace quillbrook::test {

// The prefix the build was installed into for the tests.
inline QString installPrefix() {
    return qEnvironmentVariable("QUILLBROOK_INSTALL_PREFIX");
}

// The application id that names the desktop entry, the metainfo and the icon.
inline QString applicationId() {
    return qEnvironmentVariable("QUILLBROOK_APP_ID");
}

inline QString programVersion() {
    return QStringLiteral(QUILLBROOK_VERSION);
}

inline QString desktopEntryPath(const QString& prefix) {
    return prefix + "/share/applications/" + applicationId() + ".desktop";
}

inline QString metainfoPath(const QString& prefix) {
    return prefix + "/share/metainfo/" + applicationId() + ".metainfo.xml";
}

// The installed icon of one size ("48x48", ..., or "scalable").
inline QString iconPath(const QString& prefix, const QString& size) {
    return prefix + "/share/icons/hicolor/" + size + "/apps/" + applicationId() +
           (size == "scalable" ? ".svg" : ".png");
}

// Where the installed layout under the prefix falls short, one line a fault:
// a file that is missing, a program that cannot be run, a bin/quillbrook that
// is no relative link to the program, samples other than the build's.
inline QStringList layoutFaults(const QString& prefix) {
    QStringList faults;
    const QString programFolder = prefix + "/lib/quillbrook";
    QStringList expected{programFolder + "/libvbuzip10.so", programFolder + "/x/o.cjs",
                         programFolder + "/HAND-M.CUR",     programFolder + "/drag.ico",
                         desktopEntryPath(prefix),          metainfoPath(prefix)};
    for (const char* size : {"scalable", "48x48", "128x128", "256x256"})
        expected << iconPath(prefix, size);
    for (const QString& path : expected)
        if (!QFileInfo(path).isFile())
            faults << "missing: " + path;
    if (!QFileInfo(programFolder + "/quillbrook").isExecutable())
        faults << "no program to run in " + programFolder;

    char target[4096] = {};
    const QByteArray link = QFile::encodeName(prefix + "/bin/quillbrook");
    if (::readlink(link.constData(), target, sizeof target - 1) < 0 ||
        QByteArray(target) != "../lib/quillbrook/quillbrook")
        faults << "bin/quillbrook is no link to ../lib/quillbrook/quillbrook: " + QString(target);

    const auto samplesIn = [](const QString& folder) {
        return QDir(folder + "/Samples").entryList(QDir::Files, QDir::Name);
    };
    if (samplesIn(programFolder) != samplesIn(builtProgramFolder()) ||
        samplesIn(programFolder).isEmpty())
        faults << "samples differ from the build's: " + samplesIn(programFolder).join(", ");
    return faults;
}

// Runs a program to its end and gives back its exit status and what it
// printed on both streams.
struct Finished {
    int exitStatus = -1;
    QString output;
    QString error;
};

inline Finished
runToEnd(const QString& program, const QStringList& arguments,
         const QString& workingFolder = QString(),
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, program + " did not finish: " + process.errorString()};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace quillbrook::test
