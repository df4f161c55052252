#include "conversionfixture.h"

#include "inputlist.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

namespace quillbrook::test {

namespace {

const char fakeCalibre[] = R"(#!/bin/sh
printf '%s\0%s\0' "$1" "$2" >> "$QUILLBROOK_FAKE_CALLS"
if ! mode=$(head -n 1 -- "$1" 2>/dev/null); then
    echo "Conversion error: cannot read $1" >&2
    exit 1
fi
tail -n +2 -- "$1" >&2
case $mode in
convert) cp -T -- "$1" "$2" || { echo "Error: could not write $2" >&2; exit 1; } ;;
succeed-without-writing) exit 0 ;;
crash) kill -SEGV $$ ;;
write-then-killed) cp -- "$1" "$2"; kill -KILL $$ ;;
*) exit 1 ;;
esac
)";

QString fakeCallsFile(const QString& fakeFolder) {
    return fakeFolder + QStringLiteral("/calls");
}

} // namespace

ConversionFixture::ConversionFixture(const QString& programFolder)
    : savedPath_(qgetenv("PATH")), savedTemp_(qgetenv("TEMP")) {
    qputenv("TEMP", QFile::encodeName(temporary_.path()));
    clearSettingsStore();
    storeSetting(QStringLiteral("Text1"), files_.path());
    form_ = std::make_unique<Form1>(Form1Setup{dialogs_, programFolder, [] { return 1; }});
}

ConversionFixture::~ConversionFixture() {
    form_.reset();
    qputenv("PATH", savedPath_);
    if (savedTemp_.isNull())
        qunsetenv("TEMP");
    else
        qputenv("TEMP", savedTemp_);
}

QString ConversionFixture::write(const QString& relativePath, const QByteArray& content) {
    const QString path = files_.path() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write the test file %s", qPrintable(path));
    return path;
}

void ConversionFixture::add(const QStringList& paths) {
    for (const QString& path : paths)
        inputlist::append(*form_->ListView1, path);
}

void ConversionFixture::press() {
    form_->PushButton2->click();
    QCoreApplication::processEvents();
}

QStringList ConversionFixture::leftInTemporaryFolder() const {
    QStringList left;
    QDirIterator it(temporary_.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next();
    return left;
}

void ConversionFixture::useFakeCalibre() {
    const QString script = fakeFolder_.path() + QStringLiteral("/ebook-convert");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(fakeCalibre) < 0)
        qFatal("cannot write the fake calibre");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("QUILLBROOK_FAKE_CALLS", QFile::encodeName(fakeCallsFile(fakeFolder_.path())));
    qputenv("PATH", QFile::encodeName(fakeFolder_.path()) + ':' + savedPath_);
}

QList<QStringList> ConversionFixture::fakeCalls() const {
    QFile file(fakeCallsFile(fakeFolder_.path()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> fields = file.readAll().split('\0');
    QList<QStringList> calls;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2)
        calls << QStringList{QFile::decodeName(fields[i]), QFile::decodeName(fields[i + 1])};
    return calls;
}

} // namespace quillbrook::test
