#include "preparedconverter.h"

#include "converterserver.h"
#include "cunzip.h"
#include "failure.h"
#include "handledoperation.h"
#include "munzip.h"
#include "settingskeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

namespace quillbrook {

namespace {

const QString archiveName = QStringLiteral("calibre.zip");

// Books wait this long at most for the server before they go through the
// per-book launcher; it loads calibre in about the time that the launcher
// needs to start calibre for one book.
constexpr std::chrono::seconds serverReadyLimit{20};

// The run goes on through the per-book launcher; the reason goes to the error stream.
void reportWarmConverterGone(const QString& reason) {
    qWarning("Quillbrook: the books of this run that have not started go through the per-book "
             "launcher, not the warm converter: %s",
             qUtf8Printable(reason));
}

QByteArray readConverterResource() {
    QFile resource(QStringLiteral(":/CUSTOM/101"));
    if (!resource.open(QIODevice::ReadOnly))
        throw Failure(FileNotFound, QStringLiteral("LoadResData"));
    return resource.readAll();
}

// The archive goes into the run's new folder, so no file of that name can be
// there already; one that is would not be the program's own.
void writeNewFile(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw Failure(
            PathFileAccessError,
            QStringLiteral("the converter archive cannot be written (%1)").arg(file.errorString()),
            QStringLiteral("WriteConverterArchive"));
}

} // namespace

PreparedConverter::PreparedConverter() = default;

PreparedConverter::~PreparedConverter() = default;

QString PreparedConverter::prepare(const QString& programFolder, const ProgramLifetime& lifetime) {
    QString problem;
    const auto part = [&](const std::function<void()>& action) {
        if (!problem.isEmpty() || lifetime.ended())
            return;
        try {
            action();
        } catch (const Failure& failure) {
            problem = failure.description();
        }
    };
    QByteArray archive;
    part([&] { archive = readConverterResource(); });
    part([&] { makeFolder(); });
    part([&] { writeNewFile(archive, workingFile(archiveName)); });
    archive.clear();
    part([&] { mUnzip::setComponentFolder(programFolder); });
    part([&] { unpack(); });
    part([&] { checkLauncher(); });
    if (!problem.isEmpty())
        remove();
    else if (folder_)
        QFile::remove(workingFile(archiveName));
    if (folder_ && !lifetime.ended())
        startServer();
    return problem;
}

// The server object stays until this one goes: the run may end from inside
// one of its signals, the last book's end.
void PreparedConverter::remove() {
    if (server_)
        server_->end();
    folder_.reset();
}

QString PreparedConverter::launcher() const {
    return workingFile(QStringLiteral("calibre/ebook-convert.exe"));
}

QString PreparedConverter::workingFile(const QString& name) const {
    return folder_ ? folder_->file(name) : QString();
}

QString PreparedConverter::temporaryFolder() const {
    return workingFile(QStringLiteral("tmp"));
}

// A run never fails for want of the warm converter: the per-book launcher is
// always there, so a WarmConverter value that is not a truth counts as False.
void PreparedConverter::startServer() {
    try {
        if (!settingKeys::WarmConverter.read())
            return;
    } catch (const Failure& failure) {
        reportWarmConverterGone(QStringLiteral("the setting WarmConverter is neither True nor "
                                               "False (%1)")
                                    .arg(failure.description()));
        return;
    }
    server_ = std::make_unique<ConverterServer>(
        workingFile(QStringLiteral("calibre/converter-server.py")), temporaryFolder());
    QObject::connect(server_.get(), &ConverterServer::failed, server_.get(),
                     reportWarmConverterGone);
    QObject::connect(server_.get(), &ConverterServer::serverLost, server_.get(),
                     reportWarmConverterGone);
    server_->start(serverReadyLimit);
}

void PreparedConverter::makeFolder() {
    folder_.emplace();
    if (!QDir().mkdir(temporaryFolder()))
        throw Failure(PathFileAccessError,
                      QStringLiteral("no folder can be made in %1").arg(folder_->path()),
                      QStringLiteral("RunFolder"));
}

void PreparedConverter::unpack() {
    cUnzip unzip;
    unzip.setZipFile(workingFile(archiveName));
    unzip.setUseFolderNames(true);
    unzip.setUnzipFolder(workingFile(QStringLiteral("calibre")));
    if (unzip.Unzip())
        throw Failure(PathFileAccessError, QStringLiteral("the converter could not be unpacked"),
                      QStringLiteral("Unzip"));
}

void PreparedConverter::checkLauncher() const {
    const QFileInfo file(launcher());
    if (!file.isFile() || !file.isExecutable())
        throw Failure(FileNotFound,
                      QStringLiteral("the converter %1 is missing after unpacking").arg(launcher()),
                      QStringLiteral("Unzip"));
}

} // namespace quillbrook
