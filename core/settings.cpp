#include "settings.h"

#include "failure.h"

#include <QSettings>

namespace quillbrook {

namespace {
QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brackwater"),
                     QStringLiteral("Quillbrook"));
}

void raiseIfUnusable(const QSettings& settings, const QString& source) {
    if (settings.status() == QSettings::AccessError)
        throw Failure(PermissionDenied, source);
    if (settings.status() == QSettings::FormatError)
        throw Failure(PathFileAccessError, source);
}
} // namespace

QString ReadSetting(const QString& key, const QVariant& defaultValue) {
    const QSettings settings = store();
    raiseIfUnusable(settings, QStringLiteral("ReadSetting"));
    return settings.value(key, defaultValue).toString();
}

void WriteSetting(const QString& key, const QString& text) {
    QSettings settings = store();
    settings.setValue(key, text);
    settings.sync();
    raiseIfUnusable(settings, QStringLiteral("WriteSetting"));
}

bool truthFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = trimmed.toDouble(&isNumber);
    if (!isNumber || trimmed.isEmpty())
        throw Failure(TypeMismatch, QStringLiteral("truthFromText"));
    return number != 0.0;
}

QString textFromTruth(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace quillbrook
