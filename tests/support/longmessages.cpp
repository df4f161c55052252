#include "longmessages.h"

namespace quillbrook::test {

QString messageWithFailures(int count) {
    QString failures;
    for (int i = 1; i <= count; ++i)
        failures += QStringLiteral("\r\n/home/reader/Books/Unread/Book number %1.mobi Error: "
                                   "struct.error: unpack requires a buffer")
                        .arg(i, 6, 10, QLatin1Char('0'));
    return QStringLiteral("Done.\r\n\r\nThese files:\r\n") + failures +
           QStringLiteral("\r\n\r\nwere not converted.");
}

QString messageWithOneLongReason(qsizetype length) {
    return QStringLiteral("Done.\r\n\r\nThese files:\r\n\r\n/books/a.mobi Error: ") +
           QString(length, QLatin1Char('x'));
}

} // namespace quillbrook::test
