#pragma once

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

// Each cell of an .xlsx workbook's first sheet as [type, value] (n number,
// s text, d date-time), read by another program than the one that wrote it:
// openpyxl of Debian's own python3 (not one a user put first on PATH).
inline QJsonArray workbookRows(const QString &xlsx)
{
    const QString script = QStringLiteral(
        "import json,sys,openpyxl\n"
        "ws=openpyxl.load_workbook(sys.argv[1]).active\n"
        "print(json.dumps([[[c.data_type, c.value.isoformat() if c.is_date else c.value] for c in r]"
        " for r in ws.iter_rows()], default=str))\n");
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, xlsx});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qWarning() << "openpyxl:" << p.readAllStandardError();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}
