#include "settingskeys.h"

#include "settings.h"

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

int processorCoresUpTo4() {
    return std::clamp(QThread::idealThreadCount(), 1, 4);
}

} // namespace quillbrook
