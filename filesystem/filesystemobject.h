#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

namespace quillbrook {

// How OpenTextFile decodes a file: Unicode reads UTF-16 (or the UTF-32 its
// mark names), ANSI reads the locale's 8-bit encoding, UTF-8.
enum class TextFormat { Ansi = 0, Unicode = -1 };

// A text file read line by line. A line ends at CR LF, LF or a lone CR, and
// the break is not part of it; a final break starts no further line.
class TextStream {
public:
    bool AtEndOfStream() const { return position_ >= text_.size(); }
    QString ReadLine();
    void Close();

private:
    friend class FileSystemObject;
    explicit TextStream(QString text) : text_(std::move(text)) {}

    QString text_;
    qsizetype position_ = 0;
};

// The small file-system object several file functions share.
class FileSystemObject {
public:
    // Deletes one file; with the force flag read-only files go too. A missing
    // file or one that cannot be removed is a failure.
    void DeleteFile(const QString& path, bool force) const;
    // One of the object's named calls; nothing decides on its answer, only tests call it.
    bool FileExists(const QString& path) const;
    // A text stream over an existing file, at its start. A file that cannot
    // be read is a failure (53 missing, 70 refused, 75 a folder or other).
    TextStream OpenTextFile(const QString& path, TextFormat format) const;
};

// Opens a file for reading raw bytes, or raises the failure that fits.
void openForReading(QFile& file, const QString& source);

// The whole content of a file, or the failure that fits.
QByteArray readFileBytes(const QString& path, const QString& source);

} // namespace quillbrook
