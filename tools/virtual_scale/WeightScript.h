#pragma once

#include "link/FrameBuilder.h"

#include <QList>
#include <QString>

// The readings a virtual scale sends, from steps like "U:12.510*3/10/1.251":
//
//   STEP = [STATUS ":"] WEIGHT ["*" REPEAT] ["/" QUANTITY "/" UNITWEIGHT]
//
// STATUS is one character ("U" marks an unstable reading; default "S"),
// REPEAT how many frames the step lasts (default 1); quantity and unit weight
// (default "0") matter to counting types only. Steps are separated by commas
// or white space; in a script file "#" starts a comment.
class WeightScript
{
public:
    struct Step {
        FrameContent reading;
        int repeat = 1;
    };

    // False with errorText() set when a step is malformed or does not fit the
    // layout.
    bool parse(const QString &steps, const QString &unit, const FrameLayout &layout);

    QList<Step> steps() const { return m_steps; }
    QString errorText() const { return m_error; }

private:
    bool parseStep(const QString &step, const QString &unit, const FrameLayout &layout);

    QList<Step> m_steps;
    QString m_error;
};
