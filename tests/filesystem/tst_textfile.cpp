#include "failure.h"
#include "testfiles.h"
#include "textfile.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace quillbrook;

namespace {

QByteArray encoded(QStringConverter::Encoding encoding, const QString& text) {
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

} // namespace

class TextFileTest : public QObject {
    Q_OBJECT

private slots:
    void checksTheByteOrderMark_data();
    void checksTheByteOrderMark();
    void readsTheLines_data();
    void readsTheLines();
    void raisesTheFailureThatFits_data();
    void raisesTheFailureThatFits();
    void unreadableFileIsRefused();

private:
    QString fixture(const QByteArray& bytes);

    QTemporaryDir folder_;
    int fixtures_ = 0;
};

QString TextFileTest::fixture(const QByteArray& bytes) {
    const QString path = folder_.filePath(QStringLiteral("fixture%1.txt").arg(++fixtures_));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the fixture %s", qPrintable(path));
    return path;
}

void TextFileTest::checksTheByteOrderMark_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<ByteOrderMark>("mark");

    using enum ByteOrderMark;
    QTest::newRow("empty") << QByteArray() << None;
    QTest::newRow("plain text") << QByteArray("Converting") << None;
    QTest::newRow("UTF-32 LE") << QByteArray("\xFF\xFE\0\0A\0\0\0", 8) << Unicode;
    QTest::newRow("UTF-32 BE") << QByteArray("\0\0\xFE\xFF", 4) << Unicode;
    QTest::newRow("UTF-32 BE too short") << QByteArray("\0\0\xFE", 3) << None;
    QTest::newRow("UTF-8 mark alone") << QByteArray("\xEF\xBB\xBF") << Utf8;
    QTest::newRow("UTF-8 mark and text") << QByteArray("\xEF\xBB\xBFok") << Utf8;
    QTest::newRow("half a UTF-8 mark") << QByteArray("\xEF\xBB") << None;
    QTest::newRow("UTF-16 LE short of UTF-32") << QByteArray("\xFF\xFE\0", 3) << Unicode;
    QTest::newRow("UTF-16 LE mark alone") << QByteArray("\xFF\xFE") << Unicode;
    QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0A", 4) << Unicode;
    QTest::newRow("one byte") << QByteArray("\xFF") << None;
}

void TextFileTest::checksTheByteOrderMark() {
    QFETCH(QByteArray, bytes);
    QFETCH(ByteOrderMark, mark);
    QCOMPARE(CheckByteOrderMark(fixture(bytes)), mark);
}

void TextFileTest::readsTheLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    const QByteArray utf8Mark("\xEF\xBB\xBF");
    QTest::newRow("empty file") << QByteArray() << QStringList{QString()};
    QTest::newRow("final CR LF") << QByteArray("one\r\ntwo\r\n") << QStringList{"one", "two"};
    QTest::newRow("no final break") << QByteArray("one\r\ntwo") << QStringList{"one", "two"};
    QTest::newRow("LF only") << QByteArray("one\ntwo\n") << QStringList{"one", "two"};
    QTest::newRow("CR only") << QByteArray("one\rtwo\r") << QStringList{"one", "two"};
    QTest::newRow("empty lines") << QByteArray("\r\none\r\n\r\n") << QStringList{"", "one", ""};
    QTest::newRow("a break alone") << QByteArray("\r\n") << QStringList{QString()};
    QTest::newRow("UTF-8 without mark")
        << QByteArray("Moby \xC3\xA9t\xC3\xA9 \xE2\x9C\x93\n") << QStringList{"Moby été ✓"};
    QTest::newRow("single-byte code page")
        << QByteArray("caf\xE9 Error\r\n") << QStringList{"café Error"};
    QTest::newRow("UTF-8 mark alone") << utf8Mark << QStringList{QString()};
    QTest::newRow("UTF-8 final CR LF") << utf8Mark + "one\r\ntwo\r\n"
                                       << QStringList{"one", "two", ""};
    QTest::newRow("UTF-8 cuts only at CR LF")
        << utf8Mark + "one\ntwo\rthree" << QStringList{"one\ntwo\rthree"};
    QTest::newRow("UTF-8 non-ASCII")
        << utf8Mark + "\xC3\xA9t\xC3\xA9\r\n\xE2\x9C\x93" << QStringList{"été", "✓"};
    QTest::newRow("UTF-16 LE") << encoded(QStringConverter::Utf16LE, "one\r\nété ✓\r\n")
                               << QStringList{"one", "été ✓"};
    QTest::newRow("UTF-16 LE mark alone") << QByteArray("\xFF\xFE") << QStringList{QString()};
    QTest::newRow("UTF-16 BE") << encoded(QStringConverter::Utf16BE, "one\ntwo")
                               << QStringList{"one", "two"};
    QTest::newRow("UTF-32 LE") << encoded(QStringConverter::Utf32LE, "one\r\ntwo")
                               << QStringList{"one", "two"};
}

void TextFileTest::readsTheLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(ReadTextLines(fixture(bytes)), lines);
}

void TextFileTest::raisesTheFailureThatFits_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("number");

    QTest::newRow("missing file") << folder_.filePath(QStringLiteral("missing.txt"))
                                  << int(FileNotFound);
    QTest::newRow("folder") << folder_.path() << int(PathFileAccessError);
}

void TextFileTest::raisesTheFailureThatFits() {
    QFETCH(QString, path);
    QFETCH(int, number);
    QCOMPARE(test::failureNumberOf([&] { ReadTextLines(path); }), number);
}

void TextFileTest::unreadableFileIsRefused() {
    if (geteuid() == 0)
        QSKIP("the superuser may read every file");
    const QString path = fixture("Error\n");
    QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
    QCOMPARE(test::failureNumberOf([&] { ReadTextLines(path); }), int(PermissionDenied));
}

QTEST_GUILESS_MAIN(TextFileTest)
#include "tst_textfile.moc"
