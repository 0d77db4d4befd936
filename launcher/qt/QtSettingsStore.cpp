#include "QtSettingsStore.h"

#include "LauncherOptions.h"

#include <QSettings>

namespace {

QString Key(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section + '/' + entry);
}

} // namespace

std::optional<int> CQtSettingsStore::ReadInt(const std::string& section, const std::string& entry) {
    bool ok = false;
    const int value = m_store.value(Key(section, entry)).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<std::string> CQtSettingsStore::ReadString(const std::string& section,
                                                        const std::string& entry) {
    const QVariant value = m_store.value(Key(section, entry));
    return value.isValid() ? std::optional<std::string>(value.toString().toStdString())
                           : std::nullopt;
}

void CQtSettingsStore::WriteInt(const std::string& section, const std::string& entry, int value) {
    m_store.setValue(Key(section, entry), value);
    m_store.sync();
}

void CQtSettingsStore::WriteString(const std::string& section, const std::string& entry,
                                   const std::string& value) {
    m_store.setValue(Key(section, entry), QString::fromStdString(value));
    m_store.sync();
}

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(runkorvix::kCompany),
                                       QString::fromLatin1(runkorvix::kApplication));
}
