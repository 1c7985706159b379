#include "settings/SettingsStore.h"

#include "common/Numbers.h"
#include "settings/IniTxt.h"
#include "settings/SettingsRules.h"

namespace SettingsStore {

const char *const UserSection = "UserSettings";
const char *const LastSection = "LastSettings";

namespace {

const char *const CheckKeys[] = {"chkBell", "chkWriteZero", "chkUnstablResult", "chkShowStreamData"};

QString luftKey(int type)
{
    return QStringLiteral("arrLuft_%1").arg(type);
}

QString readUser(const QString &path, const QString &key, const QString &def)
{
    return ReadIniValue(path, QLatin1String(UserSection), key, def);
}

int checkState(const QString &text)
{
    const std::optional<int> v = Numbers::parseWhole(text);
    return v && *v >= 0 && *v <= 2 ? *v : 0;
}

QString soundLuft(const QString &text)
{
    const QString luft = SettingsRules::normaliseLuft(text);
    if (luft.trimmed().isEmpty() || Numbers::parseDecimalComma(luft))
        return luft;
    return QStringLiteral("0");
}

} // namespace

StoredSettings load(const QString &iniPath)
{
    StoredSettings settings;
    int *const checks[] = {&settings.bell, &settings.writeZero, &settings.unstableResult, &settings.showStreamData};
    for (int i = 0; i < 4; ++i)
        *checks[i] = checkState(readUser(iniPath, QLatin1String(CheckKeys[i]), QStringLiteral("0")));
    const int type = ScaleTypes::numberFromText(readUser(iniPath, QStringLiteral("txtValTypeScale"), QStringLiteral("0")));
    settings.scaleType = ScaleTypes::at(type) ? type : 0;
    for (int i = 0; i < ScaleTypes::Count; ++i)
        settings.luft[i] = soundLuft(readUser(iniPath, luftKey(i), QStringLiteral("0")));
    settings.commNom = ReadIniValue(iniPath, QLatin1String(LastSection), QStringLiteral("CommNom"), QStringLiteral("1"));
    return settings;
}

void save(const QString &iniPath, const StoredSettings &settings)
{
    const QString user = QLatin1String(UserSection);
    const int checks[] = {settings.bell, settings.writeZero, settings.unstableResult, settings.showStreamData};
    for (int i = 0; i < 4; ++i)
        WriteIniValue(iniPath, user, QLatin1String(CheckKeys[i]), QString::number(checks[i]));
    for (int i = 0; i < ScaleTypes::Count; ++i)
        WriteIniValue(iniPath, user, luftKey(i), settings.luft[i]);
    WriteIniValue(iniPath, user, QStringLiteral("txtValTypeScale"), QString::number(settings.scaleType));
    WriteIniValue(iniPath, QLatin1String(LastSection), QStringLiteral("CommNom"), settings.commNom);
}

} // namespace SettingsStore
