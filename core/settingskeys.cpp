#include "settingskeys.h"

#include "settings.h"

#include <QFile>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace quillbrook {

QString TextSetting::read() const {
    return ReadSetting(key, QString(defaultText));
}

void TextSetting::write(const QString& text) const {
    WriteSetting(key, text);
}

QString TextSettingWithReadersDefault::read(const QString& defaultText) const {
    return ReadSetting(key, defaultText);
}

void TextSettingWithReadersDefault::write(const QString& text) const {
    WriteSetting(key, text);
}

// The default goes to the store as the number 1 or 0, which reads as "1" or "0".
bool TruthSetting::read() const {
    return truthFromText(ReadSetting(key, defaultValue ? 1 : 0));
}

void TruthSetting::write(bool value) const {
    WriteSetting(key, textFromTruth(value));
}

int CountSetting::read() const {
    bool isNumber = false;
    const int stored = ReadSetting(key, QString()).trimmed().toInt(&isNumber);
    if (isNumber && stored >= lowest && stored <= highest)
        return stored;
    return fallback();
}

double MinutesSetting::read() const {
    bool isNumber = false;
    const double stored = ReadSetting(key, QString()).trimmed().toDouble(&isNumber);
    if (!isNumber || std::isnan(stored) || stored < 0)
        return defaultMinutes;
    return std::min(stored, mostMinutes);
}

namespace {

// The share of the available memory that one conversion is counted to need.
constexpr qint64 bytesPerConversion = 400LL * 1000 * 1000;

// MemAvailable of /proc/meminfo in bytes, or -1 when it cannot be read.
qint64 availableMemory() {
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (QByteArray line = meminfo.readLine(); !line.isEmpty(); line = meminfo.readLine()) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> words = line.simplified().split(' ');
        bool isNumber = false;
        const qint64 kibibytes = words.value(1).toLongLong(&isNumber);
        return isNumber && words.value(2) == "kB" ? kibibytes * 1024 : -1;
    }
    return -1;
}

} // namespace

int simultaneousConversionsFor(int cores, qint64 availableBytes) {
    qint64 count = std::max(cores, 1);
    if (availableBytes >= 0)
        count = std::min(count, availableBytes / bytesPerConversion);
    return int(std::clamp<qint64>(count, 1, mostSimultaneousConversions));
}

int simultaneousConversionsForThisMachine() {
    return simultaneousConversionsFor(QThread::idealThreadCount(), availableMemory());
}

} // namespace quillbrook
