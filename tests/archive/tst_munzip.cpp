#include "cunzip.h"
#include "failure.h"
#include "munzip.h"
#include "standin.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <array>

using namespace quillbrook;
using test::standInComponent;

namespace {
using During = std::function<void(const unzip::Callbacks&)>;

// A listing whose component calls the callbacks as `during` says.
void listWith(cUnzip& extractor, During during) {
    standInComponent().during = std::move(during);
    extractor.Directory();
    standInComponent().during = nullptr;
}

void listPaths(cUnzip& extractor, const QList<QByteArray>& paths) {
    listWith(extractor, [paths](const unzip::Callbacks& callbacks) {
        for (const QByteArray& path : paths)
            callbacks.listing(0, 100, 50, 6, 1, 2024, 12, 0, ' ', path.constData(), "Deflate", 0,
                              ' ');
    });
}

QList<QByteArray> numberedPaths(int count) {
    QList<QByteArray> paths;
    for (int i = 0; i < count; ++i)
        paths << "f/" + QByteArray::number(i);
    return paths;
}

std::array<int32_t, 15> flagsOf(const unzip::Options& options) {
    std::array<int32_t, 15> flags{};
    std::memcpy(flags.data(), &options, sizeof flags);
    return flags;
}

} // namespace

class MUnzipTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { mUnzip::setComponentFolder(QStringLiteral(STANDIN_FOLDER)); }
    void init() { standInComponent() = {}; }
    void cleanup() { mUnzip::setComponentFolder(QStringLiteral(STANDIN_FOLDER)); }

    void unzipSendsWhatTheConversionRunSets();
    void eachSettingReachesItsOwnField_data();
    void eachSettingReachesItsOwnField();
    void unzipSendsTheSelectedEntriesAsPaths();
    void unzipAnswersTrueWhenTheComponentReportsAProblem_data();
    void unzipAnswersTrueWhenTheComponentReportsAProblem();
    void unzipWithoutArchiveCallsNothing();
    void directoryAppendsToTheListing();
    void listedEntriesKeepWhatTheComponentReported_data();
    void listedEntriesKeepWhatTheComponentReported();
    void packedSize_data();
    void packedSize();
    void indexesOutsideTheListingFail();
    void printCallbackRaisesProgress_data();
    void printCallbackRaisesProgress();
    void replaceCallbackAsksOverwritePrompt_data();
    void replaceCallbackAsksOverwritePrompt();
    void passwordCallbackAsksPasswordRequest_data();
    void passwordCallbackAsksPasswordRequest();
    void refusedPasswordIsNotAskedAgainInTheRun();
    void serviceCallbackRaisesCancel_data();
    void serviceCallbackRaisesCancel();
    void nameListsHoldAtMost1023Names_data();
    void nameListsHoldAtMost1023Names();
    void unloadableComponentFails_data();
    void unloadableComponentFails();
    void versionComesFromTheComponent_data();
    void versionComesFromTheComponent();
};

void MUnzipTest::unzipSendsWhatTheConversionRunSets() {
    cUnzip extractor;
    extractor.setZipFile(QStringLiteral("/tmp/Bücher/calibre.zip"));
    extractor.setUseFolderNames(true);
    extractor.setUnzipFolder(QStringLiteral("/tmp/Bücher/calibre"));
    extractor.Unzip();

    const test::StandInComponent& sent = standInComponent();
    QCOMPARE(sent.runs, 1);
    QCOMPARE(sent.includeCount, 0);
    QCOMPARE(sent.excludeCount, 0);
    QVERIFY(sent.listsWellFormed);
    unzip::Options expected{};
    expected.useFolderNames = 1;
    QVERIFY(flagsOf(sent.options) == flagsOf(expected));
    QCOMPARE(QByteArray::fromStdString(sent.zipFile), QByteArray("/tmp/B\xc3\xbc"
                                                                 "cher/calibre.zip"));
    QCOMPARE(QByteArray::fromStdString(sent.extractFolder), QByteArray("/tmp/B\xc3\xbc"
                                                                       "cher/calibre"));
    QVERIFY(sent.callbacksComplete);
    QCOMPARE(mUnzip::currentExtractor(), &extractor);
}

void MUnzipTest::eachSettingReachesItsOwnField_data() {
    QTest::addColumn<int>("setting");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");
    const std::array<std::pair<const char*, int>, 9> fields{{{"ExtractOnlyNewer", 0},
                                                             {"SpaceToUnderScore", 4},
                                                             {"PromptToOverwrite", 8},
                                                             {"MessageLevel", 12},
                                                             {"TestZip", 20},
                                                             {"UseFolderNames", 36},
                                                             {"OverwriteExisting", 40},
                                                             {"ConvertCRToCRLF", 44},
                                                             {"CaseSensitiveFileNames", 52}}};
    for (int i = 0; i < int(fields.size()); ++i)
        QTest::newRow(fields[i].first) << i << fields[i].second << (i == 3 ? -7 : 1);
}

void MUnzipTest::eachSettingReachesItsOwnField() {
    QFETCH(int, setting);
    QFETCH(int, offset);
    QFETCH(int, value);
    cUnzip extractor;
    const std::array<std::function<void()>, 9> setters{
        [&] { extractor.setExtractOnlyNewer(true); },
        [&] { extractor.setSpaceToUnderScore(true); },
        [&] { extractor.setPromptToOverwrite(true); },
        [&] { extractor.setMessageLevel(-7); },
        [&] { extractor.setTestZip(true); },
        [&] { extractor.setUseFolderNames(true); },
        [&] { extractor.setOverwriteExisting(true); },
        [&] { extractor.setConvertCRToCRLF(true); },
        [&] { extractor.setCaseSensitiveFileNames(true); }};
    setters[std::size_t(setting)]();
    extractor.setZipFile(QStringLiteral("a.zip"));
    extractor.Unzip();

    std::array<int32_t, 15> expected{};
    expected[std::size_t(offset / 4)] = value;
    QVERIFY(flagsOf(standInComponent().options) == expected);
}

void MUnzipTest::unzipSendsTheSelectedEntriesAsPaths() {
    cUnzip extractor;
    extractor.setZipFile(QStringLiteral("a.zip"));
    listPaths(extractor, {"a/b/c.txt", "d.txt", "e/f.txt"});
    QCOMPARE(extractor.FileDirectory(1), QStringLiteral("a/b"));

    extractor.Unzip();
    QCOMPARE(standInComponent().includeCount, 0);
    QVERIFY(standInComponent().listsWellFormed);

    extractor.setFileSelected(2, false);
    extractor.Unzip();
    QCOMPARE(standInComponent().includeCount, 2);
    QCOMPARE(standInComponent().include, (std::vector<std::string>{"a/b/c.txt", "e/f.txt"}));
    QVERIFY(standInComponent().listsWellFormed);
    QCOMPARE(standInComponent().options.listOnly, 0);
}

void MUnzipTest::unzipAnswersTrueWhenTheComponentReportsAProblem_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("answer");
    QTest::newRow("clean run") << 0 << false;
    QTest::newRow("warning") << 1 << true;
    QTest::newRow("refused password") << 82 << true;
}

void MUnzipTest::unzipAnswersTrueWhenTheComponentReportsAProblem() {
    QFETCH(int, result);
    QFETCH(bool, answer);
    standInComponent().result = result;
    cUnzip extractor;
    extractor.setZipFile(QStringLiteral("a.zip"));
    QCOMPARE(extractor.Unzip(), answer);
}

void MUnzipTest::unzipWithoutArchiveCallsNothing() {
    cUnzip extractor;
    extractor.setUnzipFolder(QStringLiteral("/tmp/out"));
    QVERIFY(!extractor.Unzip());
    QCOMPARE(standInComponent().runs, 0);
}

void MUnzipTest::directoryAppendsToTheListing() {
    cUnzip extractor;
    extractor.setZipFile(QStringLiteral("first.zip"));
    extractor.setUnzipFolder(QStringLiteral("/tmp/out"));
    listPaths(extractor, {"a.txt", "b.txt"});
    QCOMPARE(standInComponent().options.listOnly, 1);
    QCOMPARE(standInComponent().zipFile, std::string("first.zip"));
    QCOMPARE(standInComponent().extractFolder, std::string());

    listPaths(extractor, {"a.txt", "b.txt"});
    QCOMPARE(extractor.FileCount(), 4);
    extractor.setZipFile(QStringLiteral("second.zip"));
    QCOMPARE(extractor.FileCount(), 0);
    listPaths(extractor, {"c.txt"});
    QCOMPARE(extractor.FileCount(), 1);
    QCOMPARE(extractor.Filename(1), QStringLiteral("c.txt"));
}

void MUnzipTest::listedEntriesKeepWhatTheComponentReported_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QList<int>>("date");
    QTest::addColumn<char>("flag");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("expectedDate");
    QTest::addColumn<bool>("encrypted");
    const QDateTime noon(QDate(2024, 6, 1), QTime(12, 30));
    const QList<int> june{2024, 6, 1, 12, 30};
    QTest::newRow("nested") << QByteArray("a/b/c.txt") << june << 'E' << "a/b"
                            << "c.txt" << noon << true;
    QTest::newRow("top level") << QByteArray("c.txt") << june << ' ' << ""
                               << "c.txt" << noon << false;
    QTest::newRow("leading separator") << QByteArray("/c.txt") << june << ' ' << ""
                                       << "/c.txt" << noon << false;
    QTest::newRow("UTF-8 name") << QByteArray("B\xc3\xbc"
                                              "cher/\xc3\x9f.mobi")
                                << june << ' ' << "Bücher"
                                << "ß.mobi" << noon << false;
    QTest::newRow("year 29") << QByteArray("x") << QList<int>{29, 1, 2, 3, 4} << ' ' << ""
                             << "x" << QDateTime(QDate(2029, 1, 2), QTime(3, 4)) << false;
    QTest::newRow("year 30") << QByteArray("x") << QList<int>{30, 1, 2, 3, 4} << ' ' << ""
                             << "x" << QDateTime(QDate(1930, 1, 2), QTime(3, 4)) << false;
    QTest::newRow("month rolls over")
        << QByteArray("x") << QList<int>{2023, 13, 1, 0, 0} << ' ' << ""
        << "x" << QDateTime(QDate(2024, 1, 1), QTime(0, 0)) << false;
    QTest::newRow("day rolls over") << QByteArray("x") << QList<int>{2023, 2, 30, 0, 0} << ' ' << ""
                                    << "x" << QDateTime(QDate(2023, 3, 2), QTime(0, 0)) << false;
    QTest::newRow("folder entry") << QByteArray("a/") << june << ' ' << ""
                                  << "" << QDateTime() << false;
    QTest::newRow("empty path") << QByteArray("") << june << ' ' << ""
                                << "" << QDateTime() << false;
}

void MUnzipTest::listedEntriesKeepWhatTheComponentReported() {
    QFETCH(QByteArray, path);
    QFETCH(QList<int>, date);
    QFETCH(char, flag);
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QDateTime, expectedDate);
    QFETCH(bool, encrypted);
    cUnzip extractor;
    listWith(extractor, [&](const unzip::Callbacks& callbacks) {
        callbacks.listing(12, 3456, -1, date[1], date[2], date[0], date[3], date[4], ' ',
                          path.constData(), "Deflate\0junk", 0xfffffffe, flag);
    });

    if (name.isEmpty()) {
        QCOMPARE(extractor.FileCount(), 0);
        return;
    }
    QCOMPARE(extractor.FileCount(), 1);
    QCOMPARE(extractor.FileDirectory(1), folder);
    QCOMPARE(extractor.Filename(1), name);
    QCOMPARE(extractor.FileDate(1), expectedDate);
    QCOMPARE(extractor.FileEncrypted(1), encrypted);
    QCOMPARE(extractor.FileSize(1), 3456);
    QCOMPARE(extractor.FileCompressionRatio(1), -1);
    QCOMPARE(extractor.FileCRC(1), -2);
    QCOMPARE(extractor.FileCompressionMethod(1), QStringLiteral("Deflate"));
    QVERIFY(extractor.FileSelected(1));
}

void MUnzipTest::packedSize_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("factor");
    QTest::addColumn<int>("packed");
    QTest::addColumn<int>("failure");
    QTest::newRow("1000 at 55") << 1000 << 55 << 550 << 0;
    QTest::newRow("199 at 1") << 199 << 1 << 1 << 0;
    QTest::newRow("negative rounds toward zero") << -199 << 1 << -1 << 0;
    QTest::newRow("product overflows") << 100000000 << 100 << 0 << int(Overflow);
}

void MUnzipTest::packedSize() {
    QFETCH(int, size);
    QFETCH(int, factor);
    QFETCH(int, packed);
    QFETCH(int, failure);
    cUnzip extractor;
    listWith(extractor, [&](const unzip::Callbacks& callbacks) {
        callbacks.listing(0, size, int16_t(factor), 1, 1, 2024, 0, 0, ' ', "x", "Stored", 0, ' ');
    });
    int result = 0;
    QCOMPARE(test::failureNumberOf([&] { result = extractor.FilePackedSize(1); }), failure);
    QCOMPARE(result, packed);
}

void MUnzipTest::indexesOutsideTheListingFail() {
    cUnzip extractor;
    QCOMPARE(test::failureNumberOf([&] { extractor.Filename(1); }), int(SubscriptOutOfRange));
    listPaths(extractor, {"a.txt", "b.txt"});
    QString source;
    QCOMPARE(test::failureNumberOf([&] { extractor.FileSelected(0); }, &source),
             int(SubscriptOutOfRange));
    QCOMPARE(source, QStringLiteral("tst_munzip.cUnzip"));
    QCOMPARE(test::failureNumberOf([&] { extractor.Filename(3); }), int(SubscriptOutOfRange));
    QCOMPARE(test::failureNumberOf([&] { extractor.setFileSelected(3, false); }),
             int(SubscriptOutOfRange));
    QCOMPARE(test::failureNumberOf([&] { extractor.FileDate(-1); }), int(SubscriptOutOfRange));
}

void MUnzipTest::printCallbackRaisesProgress_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("raised");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << false << QString();
    QTest::newRow("1 byte") << QByteArray("x") << false << QString();
    QTest::newRow("2 bytes") << QByteArray("ok") << true << QStringLiteral("ok") + QChar(0);
    QTest::newRow("UTF-8 path") << QByteArray("  inflating: B\xc3\xbc"
                                              "cher/a.txt\n")
                                << true << QStringLiteral("  inflating: Bücher/a.txt\n") + QChar(0);
    QTest::newRow("1023 bytes") << QByteArray(1023, 'm') << true << QString(1023, u'm') + QChar(0);
    QTest::newRow("1024 bytes") << QByteArray(1024, 'm') << false << QString();
}

void MUnzipTest::printCallbackRaisesProgress() {
    QFETCH(QByteArray, message);
    QFETCH(bool, raised);
    QFETCH(QString, expected);
    cUnzip extractor;
    QStringList messages;
    connect(&extractor, &cUnzip::Progress, this, [&](int lCount, const QString& sMsg) {
        QCOMPARE(lCount, 1);
        messages << sMsg;
    });
    int answer = -1;
    listWith(extractor, [&](const unzip::Callbacks& callbacks) {
        answer = callbacks.print(message.constData(), int32_t(message.size()));
    });
    QCOMPARE(answer, 0);
    QCOMPARE(messages, raised ? QStringList{expected} : QStringList());
}

void MUnzipTest::replaceCallbackAsksOverwritePrompt_data() {
    QTest::addColumn<bool>("handled");
    QTest::addColumn<int>("response");
    QTest::addColumn<int>("answer");
    QTest::newRow("nobody answers") << false << 0 << 100;
    QTest::newRow("handler keeps the answer") << true << -1 << 100;
    QTest::newRow("replace") << true << 102 << 102;
    QTest::newRow("replace all") << true << 103 << 103;
}

void MUnzipTest::replaceCallbackAsksOverwritePrompt() {
    QFETCH(bool, handled);
    QFETCH(int, response);
    QFETCH(int, answer);
    cUnzip extractor;
    QStringList asked;
    if (handled) {
        connect(&extractor, &cUnzip::OverwritePrompt, this,
                [&](const QString& sFIle, int& eResponse) {
                    asked << sFIle;
                    if (response >= 0)
                        eResponse = response;
                });
    }
    std::vector<char> buffer(unzip::replaceBufferSize, 'z');
    const QByteArray path("/tmp/out/B\xc3\xbc"
                          "cher/a.txt");
    std::copy(path.begin(), path.end(), buffer.begin());
    buffer[std::size_t(path.size())] = '\0';
    int given = -1;
    listWith(extractor,
             [&](const unzip::Callbacks& callbacks) { given = callbacks.replace(buffer.data()); });

    QCOMPARE(given, answer);
    QCOMPARE(asked, handled ? QStringList{QStringLiteral("/tmp/out/Bücher/a.txt")} : QStringList());
}

void MUnzipTest::passwordCallbackAsksPasswordRequest_data() {
    QTest::addColumn<bool>("handled");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("written");
    const QString multibyte = QStringLiteral("a") + QString(200, u'é');
    QTest::newRow("nobody answers") << false << QString() << false << 1 << QByteArray();
    QTest::newRow("password") << true << "s3cret" << false << 0 << QByteArray("s3cret");
    QTest::newRow("blanks around") << true << "  s3cret  " << false << 0 << QByteArray("s3cret");
    QTest::newRow("tab kept") << true << "\ts3cret" << false << 0 << QByteArray("\ts3cret");
    QTest::newRow("only blanks") << true << "    " << false << 1 << QByteArray();
    QTest::newRow("empty") << true << "" << false << 1 << QByteArray();
    QTest::newRow("cancelled") << true << "s3cret" << true << 1 << QByteArray();
    QTest::newRow("300 characters")
        << true << QString(300, u'p') << false << 0 << QByteArray(254, 'p');
    QTest::newRow("cut between characters")
        << true << multibyte << false << 0 << multibyte.toUtf8().left(253);
}

void MUnzipTest::passwordCallbackAsksPasswordRequest() {
    QFETCH(bool, handled);
    QFETCH(QString, password);
    QFETCH(bool, cancel);
    QFETCH(int, answer);
    QFETCH(QByteArray, written);
    cUnzip extractor;
    if (handled) {
        connect(&extractor, &cUnzip::PasswordRequest, this, [&](QString& sPassword, bool& bCancel) {
            QCOMPARE(sPassword, QString());
            QCOMPARE(bCancel, false);
            sPassword = password;
            bCancel = cancel;
        });
    }
    std::array<char, unzip::passwordBufferSize> buffer{};
    int given = -1;
    listWith(extractor, [&](const unzip::Callbacks& callbacks) {
        given = callbacks.password(buffer.data(), int32_t(buffer.size()), "Password: ", "a.txt");
    });

    QCOMPARE(given, answer);
    QCOMPARE(QByteArray(buffer.data()), written);
    QCOMPARE(buffer[254], '\0');
    QCOMPARE(buffer[255], '\0');
}

void MUnzipTest::refusedPasswordIsNotAskedAgainInTheRun() {
    cUnzip extractor;
    int asked = 0;
    connect(&extractor, &cUnzip::PasswordRequest, this, [&](QString&, bool&) { ++asked; });
    const During twoRequests = [](const unzip::Callbacks& callbacks) {
        char buffer[unzip::passwordBufferSize] = {};
        QCOMPARE(callbacks.password(buffer, sizeof buffer, "", "a"), 1);
        QCOMPARE(callbacks.password(buffer, sizeof buffer, "", "b"), 1);
    };
    listWith(extractor, twoRequests);
    QCOMPARE(asked, 1);
    listWith(extractor, twoRequests);
    QCOMPARE(asked, 2);
}

void MUnzipTest::serviceCallbackRaisesCancel_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<bool>("raised");
    QTest::addColumn<QString>("expected");
    QTest::newRow("count 1") << QByteArray("a") << 1 << true << false << QString();
    QTest::newRow("go on") << QByteArray("a/b.txt") << 8 << false << true << "a/b.txt";
    QTest::newRow("stop") << QByteArray("a/b.txt") << 8 << true << true << "a/b.txt";
    QTest::newRow("count cuts the path") << QByteArray("abcdef") << 4 << false << true << "abcd";
    QTest::newRow("count 1023") << QByteArray(1022, 'n') << 1023 << true << true
                                << QString(1022, u'n');
    QTest::newRow("count 1024") << QByteArray(1023, 'n') << 1024 << true << false << QString();
}

void MUnzipTest::serviceCallbackRaisesCancel() {
    QFETCH(QByteArray, path);
    QFETCH(int, count);
    QFETCH(bool, stop);
    QFETCH(bool, raised);
    QFETCH(QString, expected);
    cUnzip extractor;
    QStringList asked;
    connect(&extractor, &cUnzip::Cancel, this, [&](const QString& sMsg, bool& bCancel) {
        QCOMPARE(bCancel, false);
        asked << sMsg;
        bCancel = stop;
    });
    int answer = -1;
    listWith(extractor, [&](const unzip::Callbacks& callbacks) {
        answer = callbacks.service(path.constData(), count);
    });
    QCOMPARE(asked, raised ? QStringList{expected} : QStringList());
    QCOMPARE(answer, raised && stop ? 1 : 0);
}

void MUnzipTest::nameListsHoldAtMost1023Names_data() {
    QTest::addColumn<int>("names");
    QTest::addColumn<int>("failure");
    QTest::newRow("1023 names") << 1023 << 0;
    QTest::newRow("1024 names") << 1024 << int(SubscriptOutOfRange);
}

void MUnzipTest::nameListsHoldAtMost1023Names() {
    QFETCH(int, names);
    QFETCH(int, failure);
    cUnzip extractor;
    extractor.setZipFile(QStringLiteral("a.zip"));
    listPaths(extractor, numberedPaths(names + 1));
    extractor.setFileSelected(names + 1, false);
    const int runs = standInComponent().runs;

    QString source;
    QCOMPARE(test::failureNumberOf([&] { extractor.Unzip(); }, &source), failure);

    if (failure == 0) {
        QCOMPARE(standInComponent().includeCount, names);
        QVERIFY(standInComponent().listsWellFormed);
        QCOMPARE(standInComponent().include.back(), "f/" + std::to_string(names - 1));
    } else {
        QCOMPARE(standInComponent().runs, runs);
        QCOMPARE(source, QStringLiteral("tst_munzip.VBUnzip"));
        QCOMPARE(mUnzip::currentExtractor(), nullptr);
    }
}

void MUnzipTest::unloadableComponentFails_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("failure");
    QTest::newRow("no component") << QString() << int(DllLoadError);
    QTest::newRow("no entry point")
        << QStringLiteral(ENTRYLESS_FOLDER) << int(DllEntryPointMissing);
}

void MUnzipTest::unloadableComponentFails() {
    QFETCH(QString, folder);
    QFETCH(int, failure);
    QTemporaryDir empty;
    mUnzip::setComponentFolder(folder.isEmpty() ? empty.path() : folder);
    cUnzip extractor;
    extractor.setZipFile(QStringLiteral("a.zip"));

    try {
        extractor.Unzip();
        QFAIL("Unzip went through");
    } catch (const Failure& raised) {
        QCOMPARE(raised.number(), failure);
        QCOMPARE(raised.description(), errorDescription(failure));
        QCOMPARE(raised.source(), QStringLiteral("tst_munzip.VBUnzip"));
    }
    QCOMPARE(mUnzip::currentExtractor(), nullptr);
}

void MUnzipTest::versionComesFromTheComponent_data() {
    QTest::addColumn<QByteArray>("extraInfo");
    QTest::addColumn<QString>("expected");
    QTest::newRow("short text") << QByteArray("libzip\0xyz", 10) << "libzip    ";
    QTest::newRow("full text") << QByteArray("abcdefghij") << "abcdefghij";
    QTest::newRow("NUL first") << QByteArray("\0bcdefghij", 10)
                               << QString::fromLatin1("\0bcdefghij", 10);
}

void MUnzipTest::versionComesFromTheComponent() {
    QFETCH(QByteArray, extraInfo);
    QFETCH(QString, expected);
    standInComponent().version = [extraInfo](unzip::VersionRecord& record) {
        std::memcpy(record.extraInfo, extraInfo.constData(), sizeof record.extraInfo);
        record.component = {7, 8, 255, 9};
    };
    cUnzip extractor;
    int major = 0;
    int minor = 0;
    int revision = 0;
    const QDateTime given(QDate(2001, 2, 3), QTime(4, 5));
    QDateTime date = given;
    QString extra;
    extractor.GetVersion(major, minor, revision, date, extra);

    const unzip::VersionRecord& sent = standInComponent().versionSent;
    QCOMPARE(sent.length, 64);
    QCOMPARE(sent.flag, 0);
    QCOMPARE(QByteArray(sent.extraInfo, 10), QByteArray(9, ' ') + '\0');
    QCOMPARE(QByteArray(sent.date, 20), QByteArray(19, ' ') + '\0');
    QCOMPARE(QByteArray(sent.text, 10), QByteArray(9, ' ') + '\0');
    QCOMPARE(extra, expected);
    QCOMPARE(QList<int>({major, minor, revision}), QList<int>({7, 8, 255}));
    QCOMPARE(date, given);
}

QTEST_GUILESS_MAIN(MUnzipTest)
#include "tst_munzip.moc"
