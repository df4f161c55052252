#include "failure.h"

#include <cerrno>

namespace quillbrook {

QString errorDescription(int number) {
    switch (number) {
    case InvalidArgument:
        return QStringLiteral("Invalid procedure call or argument");
    case Overflow:
        return QStringLiteral("Overflow");
    case SubscriptOutOfRange:
        return QStringLiteral("Subscript out of range");
    case TypeMismatch:
        return QStringLiteral("Type mismatch");
    case DllLoadError:
        return QStringLiteral("Error in loading DLL");
    case FileNotFound:
        return QStringLiteral("File not found");
    case PermissionDenied:
        return QStringLiteral("Permission denied");
    case PathFileAccessError:
        return QStringLiteral("Path/File access error");
    case PathNotFound:
        return QStringLiteral("Path not found");
    case DllEntryPointMissing:
        return QStringLiteral("Can't find DLL entry point");
    case BufferTooSmall:
        return QStringLiteral("Buffer too small");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

Failure::Failure(int number, QString source)
    : Failure(number, errorDescription(number), std::move(source)) {}

Failure::Failure(int number, QString description, QString source)
    : number_(number), description_(std::move(description)), source_(std::move(source)),
      what_(description_.toUtf8()) {}

Failure failureFromErrno(int errnoValue, const QString& source) {
    switch (errnoValue) {
    case ENOENT:
        return Failure(FileNotFound, source);
    case EACCES:
    case EPERM:
    case EROFS:
        return Failure(PermissionDenied, source);
    case ENOTDIR:
        return Failure(PathNotFound, source);
    default:
        return Failure(PathFileAccessError, source);
    }
}

} // namespace quillbrook
