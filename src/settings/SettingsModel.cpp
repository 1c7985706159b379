#include "settings/SettingsModel.h"

#include "common/Numbers.h"
#include "settings/SettingsRules.h"

void SettingsModel::load(const StoredSettings &stored)
{
    m_flags = {stored.bell, stored.writeZero, stored.unstableResult, stored.showStreamData};
    m_luft = stored.luft;
    m_port = stored.commNom;
    selectScaleType(stored.scaleType);
}

StoredSettings SettingsModel::stored() const
{
    StoredSettings s;
    s.bell = bell();
    s.writeZero = writeZero();
    s.unstableResult = unstableResult();
    s.showStreamData = showStreamData();
    s.luft = m_luft;
    s.scaleType = m_scaleType;
    s.commNom = m_port;
    return s;
}

void SettingsModel::selectScaleType(int index)
{
    if (!ScaleTypes::at(index))
        return;
    m_scaleType = index;
    m_luftInForce = m_luft[index];
}

void SettingsModel::setLuft(int type, const QString &text)
{
    if (ScaleTypes::at(type))
        m_luft[type] = text;
}

QString SettingsModel::luft(int type) const
{
    return ScaleTypes::at(type) ? m_luft[type] : QString();
}

void SettingsModel::validateLuft()
{
    m_luftInForce = SettingsRules::normaliseLuft(m_luft[m_scaleType]);
    m_luft[m_scaleType] = m_luftInForce;
}

void SettingsModel::setPortText(const QString &text)
{
    m_port = text;
}

void SettingsModel::setFlag(Flag flag, int checkState)
{
    m_flags[flag] = checkState;
}

std::optional<float> SettingsModel::deadZone() const
{
    return SettingsRules::deadZone(m_luftInForce);
}

std::optional<int> SettingsModel::portNumber() const
{
    return Numbers::parsePortNumber(m_port);
}
