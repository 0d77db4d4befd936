#include "LauncherSettings.h"

#include "LauncherNames.h"

#include <QSettings>

namespace {

const QString kRadioKey = QStringLiteral("Options/Radio");
const QString kOtherKey = QStringLiteral("Options/Other");

} // namespace

CLauncherSettings::CLauncherSettings(QSettings& store) : m_store(store) {}

int CLauncherSettings::GetRadio() const {
    bool ok = false;
    const int value = m_store.value(kRadioKey).toInt(&ok);
    return ok ? value : kDefaultRadio;
}

QString CLauncherSettings::GetOther() const {
    return m_store.value(kOtherKey).toString();
}

void CLauncherSettings::WriteRadio(int index) {
    m_store.setValue(kRadioKey, index);
    m_store.sync();
}

void CLauncherSettings::WriteOther(const QString& option) {
    m_store.setValue(kOtherKey, option);
    m_store.sync();
}

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       names::kCompany, names::kApplication);
}
