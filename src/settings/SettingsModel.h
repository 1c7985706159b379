#pragma once

#include "settings/LiveSettings.h"
#include "settings/SettingsStore.h"

// The single holder of the live settings. The settings dialog edits it at
// once, control by control; "Сохранить" stores what it holds.
class SettingsModel : public LiveSettings
{
public:
    enum Flag { Bell, WriteZero, UnstableResult, ShowStreamData, FlagCount };

    void load(const StoredSettings &stored);
    StoredSettings stored() const;

    // A type selection puts that type's dead zone in force.
    void selectScaleType(int index);
    void setLuft(int type, const QString &text);   // a dead-zone box as typed
    QString luft(int type) const;
    // Leaving the selected type's box: its text normalised is put in force.
    void validateLuft();
    void setPortText(const QString &text);
    void setFlag(Flag flag, int checkState);

    // The texts the dialog's hidden boxes show: the type and the dead zone in force.
    QString scaleTypeText() const { return QString::number(m_scaleType); }
    QString luftText() const { return m_luftInForce; }

    int scaleTypeIndex() const override { return m_scaleType; }
    std::optional<float> deadZone() const override;
    QString portText() const override { return m_port; }
    std::optional<int> portNumber() const override;
    int bell() const override { return m_flags[Bell]; }
    int writeZero() const override { return m_flags[WriteZero]; }
    int unstableResult() const override { return m_flags[UnstableResult]; }
    int showStreamData() const override { return m_flags[ShowStreamData]; }

private:
    int m_scaleType = 0;
    std::array<QString, ScaleTypes::Count> m_luft{};
    QString m_luftInForce;
    QString m_port;
    std::array<int, FlagCount> m_flags{};
};
