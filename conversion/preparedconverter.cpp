#include "preparedconverter.h"

#include "cunzip.h"
#include "failure.h"
#include "handledoperation.h"
#include "munzip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

namespace quillbrook {

namespace {

const QString archiveName = QStringLiteral("calibre.zip");

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
    return problem;
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
