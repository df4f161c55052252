#include "logreason.h"

#include "filesystemobject.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace quillbrook {

namespace {

// Enough bytes for longestReason characters in any UTF-8 text, and one more
// character, so that a cut can be seen.
constexpr qsizetype keptBytes = 4 * (longestReason + 1);
constexpr qint64 chunkBytes = 64 * 1024;
const QByteArray errorWord = QByteArrayLiteral("error");

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The letters of "error" in either case; bytes of other characters never match.
bool mentionsErrorWord(const char* begin, const char* end) {
    return std::search(begin, end, errorWord.cbegin(), errorWord.cend(), [](char c, char letter) {
               return (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) == letter;
           }) != end;
}

bool isLineBreak(char c) {
    return c == '\n' || c == '\r';
}

QString withoutOuterSpaces(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == QLatin1Char(' '))
        ++first;
    while (end > first && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

// The text, or its first longestReason characters and "..." when it is
// longer or the line it came from was cut before.
QString cutToLongestReason(const QString& text, bool cutBefore) {
    return cutBefore || text.size() > longestReason
               ? text.left(longestReason) + QStringLiteral("...")
               : text;
}

// UTF-8 when the bytes are, Latin-1 otherwise. The bytes may end inside a
// character where a long line was cut; that part is left out.
QString decodeLine(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The line being read: its beginning from the first character that is not
// white space, up to keptBytes, and what the rest of it held.
class LineBeingRead {
public:
    void append(const char* begin, const char* end) {
        if (head_.isEmpty())
            begin = std::find_if_not(begin, end, isAsciiSpace);
        if (begin == end)
            return;
        noteErrorWord(begin, end);
        const qsizetype room = keptBytes - head_.size();
        const qsizetype taken = std::min<qsizetype>(room, end - begin);
        head_.append(begin, taken);
        cutOff_ =
            cutOff_ || std::any_of(begin + taken, end, [](char c) { return !isAsciiSpace(c); });
    }

    // The line's kept text, whether more than white space followed it, and
    // whether the line mentions an error.
    struct Ended {
        QString text;
        bool cutOff;
        bool mentionsError;
    };
    std::optional<Ended> end() {
        std::optional<Ended> ended;
        if (!head_.isEmpty())
            ended = Ended{decodeLine(head_), cutOff_, mentionsError_};
        *this = {};
        return ended;
    }

private:
    // The word may lie across two appended pieces, so the last bytes of the
    // piece before are looked at with the first ones of the new one.
    void noteErrorWord(const char* begin, const char* end) {
        if (mentionsError_)
            return;
        const qsizetype reach = errorWord.size() - 1;
        const QByteArray joint =
            lastBytes_ + QByteArray(begin, std::min<qsizetype>(reach, end - begin));
        mentionsError_ =
            mentionsErrorWord(joint.cbegin(), joint.cend()) || mentionsErrorWord(begin, end);
        lastBytes_ = (lastBytes_ + QByteArray(std::max(begin, end - reach),
                                              std::min<qsizetype>(reach, end - begin)))
                         .right(reach);
    }

    QByteArray head_;
    QByteArray lastBytes_;
    bool cutOff_ = false;
    bool mentionsError_ = false;
};

// Cuts the bytes of a log into lines and keeps the two the reason needs.
class LogScanner {
public:
    void feed(const char* begin, const char* end) {
        if (afterCarriageReturn_ && begin != end && *begin == '\n')
            ++begin;
        afterCarriageReturn_ = false;
        while (begin != end) {
            const char* lineEnd = std::find_if(begin, end, isLineBreak);
            line_.append(begin, lineEnd);
            if (lineEnd == end)
                return;
            endLine();
            begin = lineEnd + 1;
            if (*lineEnd == '\r') {
                if (begin == end)
                    afterCarriageReturn_ = true;
                else if (*begin == '\n')
                    ++begin;
            }
        }
    }

    LogReasonLines finish() {
        endLine();
        return found_;
    }

private:
    void endLine() {
        const auto ended = line_.end();
        if (!ended)
            return;
        const QString trimmed = ended->text.trimmed();
        if (trimmed.isEmpty())
            return;
        found_.lastNonEmptyLine = cutToLongestReason(trimmed, ended->cutOff);
        if (ended->mentionsError)
            found_.lastErrorLine =
                cutToLongestReason(withoutOuterSpaces(ended->text), ended->cutOff);
    }

    LineBeingRead line_;
    bool afterCarriageReturn_ = false;
    LogReasonLines found_;
};

// The encoding a Unicode mark at the start of the log names, if any; a UTF-8
// mark is left to the UTF-8 reading, which takes it for a character of the
// first line that trimming drops.
std::optional<QStringConverter::Encoding> unicodeMarkOf(const QByteArray& start) {
    const std::optional<QStringConverter::Encoding> encoding =
        QStringConverter::encodingForData(start);
    if (!encoding || *encoding == QStringConverter::Utf8)
        return std::nullopt;
    return encoding;
}

} // namespace

LogReasonLines reasonLinesOfLog(const QString& path) {
    QFile log(path);
    openForReading(log, QStringLiteral("ReadTextLines"));
    LogScanner scanner;
    QByteArray chunk = log.read(chunkBytes);
    const std::optional<QStringConverter::Encoding> unicode = unicodeMarkOf(chunk.left(4));
    QStringDecoder decoder(unicode.value_or(QStringConverter::Utf8));
    while (!chunk.isEmpty()) {
        if (unicode)
            chunk = QString(decoder(chunk)).toUtf8();
        scanner.feed(chunk.constData(), chunk.constData() + chunk.size());
        chunk = log.read(chunkBytes);
    }
    return scanner.finish();
}

} // namespace quillbrook
