#include "testfiles.h"

#include "failure.h"

#include <QFile>
#include <QTest>

namespace quillbrook::test {

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int failureNumberOf(const std::function<void()>& action, QString* source) {
    try {
        action();
    } catch (const Failure& failure) {
        if (source)
            *source = failure.source();
        return failure.number();
    }
    return 0;
}

} // namespace quillbrook::test
