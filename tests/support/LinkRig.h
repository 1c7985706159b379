#pragma once

#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "link/ScaleLink.h"
#include "support/FakeLiveSettings.h"
#include "support/FakeSerialLine.h"
#include "support/FakeUserMessages.h"
#include "support/FixedClock.h"

#include <QByteArrayView>

// The scale link over fakes: a scripted line, settings, clock, beeper and
// message boxes, and a journal laid out for the scale type. Everything public
// for the test to set and look at.
struct LinkRig {
    FakeSerialLine line;
    FakeLiveSettings settings;
    JournalGrid journal;
    FakeUserMessages messages;
    FixedClock clock;
    CountingBeeper beeper;
    QString note;
    QString status = QStringLiteral("not cleared");
    ScaleLink link{{line, settings, journal, messages, clock, beeper,
                    {[this] { return note; }, [this](const QString &text) { status = text; }}}};

    explicit LinkRig(int scaleType = 0)
    {
        line.setExistingPorts({1, 2, 3});
        QObject::connect(&line, &SerialLine::commEvent, &link, &ScaleLink::MSComm1_OnComm);
        setScaleType(scaleType);
    }

    void setScaleType(int type)
    {
        settings.scaleType = QString::number(type);
        JournalLayout::apply(JournalLayout::forType(type, {}), journal);
    }

    // One received chunk straight into the decoder and the recorder, as the
    // line delivers it: one character a byte.
    void decode(QByteArrayView bytes);

    // The data cells of a journal row, Tab-separated, column 1 on.
    QString row(int r) const;
};
