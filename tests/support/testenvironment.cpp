#include "testenvironment.h"

#include <QSettings>

namespace quillbrook::test {

namespace {
QSettings store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brackwater"),
                     QStringLiteral("Quillbrook"));
}
} // namespace

void clearSettingsStore() {
    QSettings settings = store();
    settings.clear();
    settings.sync();
}

void storeSetting(const QString& key, const QString& text) {
    QSettings settings = store();
    settings.setValue(key, text);
    settings.sync();
}

QString storedSetting(const QString& key) {
    const QSettings settings = store();
    return settings.contains(key) ? settings.value(key).toString() : QString();
}

QString builtProgramFolder() {
    return qEnvironmentVariable("QUILLBROOK_PROGRAM_DIR");
}

} // namespace quillbrook::test

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace quillbrook::test {

QString saveScreenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("QUILLBROOK_ARTIFACTS", QDir::tempPath());
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    return path;
}

} // namespace quillbrook::test
