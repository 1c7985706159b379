#include "supervisor/AllScales.h"

#include "supervisor/ReaderThread.h"
#include "supervisor/SelectionExports.h"
#include "supervisor/SupervisorModel.h"
#include "supervisor/SupervisorTexts.h"
#include "supervisor/SupervisorWindow.h"

#include <QAction>
#include <QMenu>

AllScales::AllScales(Parts parts, QObject *parent)
    : QObject(parent), m_parts(std::move(parts))
{
    QAction *item = m_parts.serviceMenu.addAction(SupervisorTexts::windowTitle());
    item->setObjectName(QStringLiteral("mnuAllScales"));
    connect(item, &QAction::triggered, this, &AllScales::show);
}

// The window and the model go before the reader they listen to.
AllScales::~AllScales()
{
    m_exports.reset();
    m_window.reset();
    m_model.reset();
}

void AllScales::show()
{
    if (!m_window) {
        const QString conninfo = m_parts.conninfo();
        m_reader = std::make_unique<ReaderThread>(conninfo);
        m_model = std::make_unique<SupervisorModel>(m_reader->reader());
        m_window = std::make_unique<SupervisorWindow>(m_model.get(), &m_parts.mainWindow);
        m_exports = std::make_unique<SelectionExports>(conninfo, *m_window, m_parts.dialogs, m_parts.messages);
        connect(m_window.get(), &SupervisorWindow::excelAsked, this, [this] { m_exports->exportExcel(); });
        connect(m_window.get(), &SupervisorWindow::pdfAsked, this, [this] { m_exports->exportPdf(); });
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
