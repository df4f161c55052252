#pragma once

#include <QString>
#include <exception>

namespace quillbrook {

// The run-time error numbers the program raises and reports.
enum ErrorNumber : int {
    InvalidArgument = 5,
    Overflow = 6,
    SubscriptOutOfRange = 9,
    TypeMismatch = 13,
    DllLoadError = 48,
    FileNotFound = 53,
    PermissionDenied = 70,
    PathFileAccessError = 75,
    PathNotFound = 76,
    DllEntryPointMissing = 453,
    BufferTooSmall = 20476,
};

// The standard description of an error number, as the error report shows it.
QString errorDescription(int number);

// A run-time failure: it travels up the call chain to the handled operation
// that called, which reports it and goes on with its next step.
class Failure : public std::exception {
public:
    explicit Failure(int number, QString source = {});
    Failure(int number, QString description, QString source);

    int number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    int number_;
    QString description_;
    QString source_;
    QByteArray what_;
};

// The failure that fits a failed file operation: 53 for a missing file, 70 for
// a refused permission, 76 for a missing folder, 75 for anything else.
Failure failureFromErrno(int errnoValue, const QString& source = {});

} // namespace quillbrook
