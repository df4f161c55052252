#include "calibrebooks.h"

#include <QFile>
#include <QProcess>

namespace quillbrook::test {

QString makeMobiWithCalibre(const QString& input, const QString& mobi, const QString& mobiType) {
    QProcess calibre;
    calibre.setProcessChannelMode(QProcess::MergedChannels);
    calibre.start(QStringLiteral("ebook-convert"),
                  {input, mobi, QStringLiteral("--mobi-file-type"), mobiType});
    if (!calibre.waitForFinished(120000)) {
        calibre.kill();
        calibre.waitForFinished();
        return QStringLiteral("ebook-convert did not finish: ") + calibre.errorString();
    }
    if (calibre.exitStatus() != QProcess::NormalExit || calibre.exitCode() != 0 ||
        !QFile::exists(mobi))
        return QStringLiteral("ebook-convert failed: ") +
               QString::fromUtf8(calibre.readAll().right(2000));
    return {};
}

} // namespace quillbrook::test
