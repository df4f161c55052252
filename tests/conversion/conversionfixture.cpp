#include "conversionfixture.h"

#include "apptitle.h"
#include "busystate.h"
#include "inputlist.h"
#include "testenvironment.h"
#include "testfiles.h"
#include "testprocesses.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

namespace quillbrook::test {

namespace {

const char fakeCalibre[] = R"(#!/bin/sh
printf '%s\0%s\0' "$1" "$2" >> "$QUILLBROOK_FAKE_CALLS"
echo $$ >> "$QUILLBROOK_FAKE_PIDS"
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
"sleep "*)
    echo "+ $1" >> "$QUILLBROOK_FAKE_EVENTS"
    sleep "${mode#sleep }"
    echo "- $1" >> "$QUILLBROOK_FAKE_EVENTS"
    cp -T -- "$1" "$2" ;;
"trickle "*)
    count=${mode#trickle }
    pause=${count#* }
    count=${count%% *}
    while [ "$count" -gt 0 ]; do
        echo "working, $count to go" >&2
        sleep "$pause"
        count=$((count - 1))
    done
    cp -T -- "$1" "$2" ;;
"fail after "*) sleep "${mode#fail after }"; echo "Error: failed late" >&2; exit 1 ;;
half-written) printf 'half' > "$2"; echo "Error: No space left on device" >&2; exit 1 ;;
hang)
    printf 'partial' > "$2"
    echo "tmp $TMPDIR" >> "$QUILLBROOK_FAKE_EVENTS"
    echo "$TMPDIR" > "$TMPDIR/calibre_left_behind_tmp"
    sleep 100000 &
    echo $! >> "$QUILLBROOK_FAKE_PIDS"
    wait ;;
*) exit 1 ;;
esac
)";
QString fakeCallsFile(const QString& fakeFolder) {
    return fakeFolder + QStringLiteral("/calls");
}

QString fakePidsFile(const QString& fakeFolder) {
    return fakeFolder + QStringLiteral("/pids");
}

QString fakeEventsFile(const QString& fakeFolder) {
    return fakeFolder + QStringLiteral("/events");
}

QString doneLine(int converted, int taken) {
    return QStringLiteral("Done.\r\n%1 of %2 files were converted.").arg(converted).arg(taken);
}

void putBack(const char* name, const QByteArray& saved) {
    if (saved.isNull())
        qunsetenv(name);
    else
        qputenv(name, saved);
}

} // namespace

ConversionFixture::ConversionFixture(const QString& programFolder)
    : savedPath_(qgetenv("PATH")), savedTemp_(qgetenv("TEMP")),
      savedStateHome_(qgetenv("XDG_STATE_HOME")) {
    qputenv("TEMP", QFile::encodeName(temporary_.path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome_.path()));
    clearSettingsStore();
    storeSetting(QStringLiteral("Text1"), files_.path());
    form_ = std::make_unique<Form1>(Form1Setup{dialogs_, programFolder, [] { return 1; }});
}

ConversionFixture::~ConversionFixture() {
    form_.reset();
    qputenv("PATH", savedPath_);
    putBack("TEMP", savedTemp_);
    putBack("XDG_STATE_HOME", savedStateHome_);
}

QString ConversionFixture::keptLogs() const {
    const QString folder = stateHome_.path() + QStringLiteral("/quillbrook/logs");
    const QStringList runs = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    return runs.isEmpty() ? QString() : folder + QLatin1Char('/') + runs.constLast();
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
    waitForTheRunToEnd();
}

void ConversionFixture::waitForTheRunToEnd() {
    QCoreApplication::processEvents();
    const bool ended = QTest::qWaitFor([&] { return !isBusyWith(*form_, BusyWork::conversionRun); },
                                       10 * 60 * 1000);
    if (!ended)
        qFatal("the conversion run did not end");
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
    qputenv("QUILLBROOK_FAKE_PIDS", QFile::encodeName(fakePidsFile(fakeFolder_.path())));
    qputenv("QUILLBROOK_FAKE_EVENTS", QFile::encodeName(fakeEventsFile(fakeFolder_.path())));
    qputenv("PATH", QFile::encodeName(fakeFolder_.path()) + ':' + savedPath_);
}

QList<qint64> ConversionFixture::fakePids() const {
    QList<qint64> pids;
    for (const QByteArray& line : readAll(fakePidsFile(fakeFolder_.path())).split('\n'))
        if (!line.isEmpty())
            pids << line.toLongLong();
    return pids;
}

bool ConversionFixture::fakeProcessesGone() const {
    const QList<qint64> pids = fakePids();
    return QTest::qWaitFor([&] { return std::all_of(pids.begin(), pids.end(), processGone); },
                           5000);
}

QString doneAllConverted(int taken) {
    return doneLine(taken, taken);
}

QString doneWithFailures(const QString& failureList, int converted, const QString& keptLogs) {
    // Each failed input's entry begins with its line break.
    const int failed = int(failureList.count(QStringLiteral("\r\n")));
    QString message =
        doneLine(converted, converted + failed) + QStringLiteral("\r\n\r\nThese files:\r\n") +
        failureList +
        QStringLiteral("\r\n\r\nwere not converted. It may be that they are too big in "
                       "filesize. Please email ") +
        supportAddress +
        QStringLiteral(" a screenshot of this error message if you have any questions.");
    if (!keptLogs.isEmpty())
        message +=
            QStringLiteral("\r\n\r\nThe converter's full messages about these files are in: ") +
            keptLogs;
    return message;
}

QString doneWithFailureEntries(const QStringList& entries, int converted, const QString& keptLogs) {
    return doneWithFailures(QStringLiteral("\r\n") + entries.join(QStringLiteral("\r\n")),
                            converted, keptLogs);
}

bool processEnds(qint64 pid) {
    return QTest::qWaitFor([&] { return processGone(pid); }, 5000);
}

int ConversionFixture::mostFakesAtOnce() const {
    int running = 0;
    int most = 0;
    for (const QByteArray& line : readAll(fakeEventsFile(fakeFolder_.path())).split('\n')) {
        if (line.startsWith('+'))
            most = std::max(most, ++running);
        else if (line.startsWith('-'))
            --running;
    }
    return most;
}

QStringList ConversionFixture::fakeTemporaryFolders() const {
    QStringList folders;
    for (const QByteArray& line : readAll(fakeEventsFile(fakeFolder_.path())).split('\n'))
        if (line.startsWith("tmp "))
            folders << QFile::decodeName(line.mid(4));
    return folders;
}

QList<QStringList> ConversionFixture::fakeCalls() const {
    QFile file(fakeCallsFile(fakeFolder_.path()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> fields = file.readAll().split('\0');
    static const QRegularExpression runFolder(QStringLiteral("/quillbrook-run-[^/]{6}/"));
    QList<QStringList> calls;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        QString output = QFile::decodeName(fields[i + 1]);
        output.replace(runFolder, QStringLiteral("/quillbrook-run-XXXXXX/"));
        calls << QStringList{QFile::decodeName(fields[i]), output};
    }
    return calls;
}

QString ConversionFixture::stagedFor(int position) const {
    return temporaryFolder() +
           QStringLiteral("/quillbrook-run-XXXXXX/result-%1.epub").arg(position);
}

} // namespace quillbrook::test
