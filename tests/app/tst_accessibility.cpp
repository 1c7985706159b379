#include "app/QtUserMessages.h"
#include "journal/JournalGrid.h"
#include "settings/frmSettings.h"
#include "support/TestWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

// What a person or a screen reader meets: names of every control, glyphs
// for every caption, the keyboard in the windows and the message boxes.
class TestAccessibility : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;

    static bool isControl(QWidget *w)
    {
        return qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
               || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QLabel *>(w) || qobject_cast<QToolBar *>(w)
               || qobject_cast<QStatusBar *>(w);
    }

    static QString accessibleName(QObject *o)
    {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(o);
        return a ? a->text(QAccessible::Name) : QString();
    }

    // Everything the operator reads in a window, captions and headers.
    static QStringList captions(QWidget &window)
    {
        QStringList texts{window.windowTitle()};
        for (QLabel *l : window.findChildren<QLabel *>())
            texts << l->text();
        for (QAbstractButton *b : window.findChildren<QAbstractButton *>())
            texts << b->text() << b->toolTip();
        for (QMenu *m : window.findChildren<QMenu *>()) {
            texts << m->title();
            for (QAction *a : m->actions())
                texts << a->text();
        }
        for (QHeaderView *h : window.findChildren<QHeaderView *>()) {
            for (int i = 0; i < h->count(); ++i)
                texts << h->model()->headerData(i, h->orientation()).toString();
        }
        texts.removeAll(QString());
        return texts;
    }

    QString m_seen; // title|text|buttons of the last message box answered

    // Answers the message box that is about to open with a key, noting what it showed.
    void answerNextBox(int key)
    {
        m_seen.clear();
        QTimer::singleShot(0, this, [this, key] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            QStringList buttons;
            for (QAbstractButton *b : box->buttons())
                buttons << b->text();
            m_seen = box->windowTitle() + '|' + box->text() + '|' + buttons.join(',');
            QTest::keyClick(box, Qt::Key(key));
        });
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
        m_env->start();
    }

    void cleanup() { m_env.reset(); }

    void everyControlHasAName()
    {
        frm1 &w = *m_env->window;
        for (QWidget *window : {static_cast<QWidget *>(&w), static_cast<QWidget *>(&w.settingsDialog())}) {
            for (QWidget *c : window->findChildren<QWidget *>()) {
                if (!isControl(c) || c->parentWidget()->inherits("QHeaderView") || c->inherits("QHeaderView"))
                    continue;
                QVERIFY2(!accessibleName(c).isEmpty(), qPrintable(c->objectName() + " " + c->metaObject()->className()));
            }
        }
        // A toolbar button by its tool-tip text.
        QToolBar *bar = w.findChild<QToolBar *>(QStringLiteral("tbr1"));
        QCOMPARE(accessibleName(bar->widgetForAction(bar->actions().at(4))), QStringLiteral("Начать прием данных"));
    }

    void gridCellsByTheirText()
    {
        frm1 &w = *m_env->window;
        w.journal().AddItem(QStringLiteral("1\t1\t  12.500\tkg\tS\t05.03.2024 09:05:07\tпартия 7"));
        QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(w.findChild<QWidget *>(QStringLiteral("Grid1")));
        QVERIFY(grid && grid->tableInterface());
        QCOMPARE(grid->tableInterface()->rowCount(), 1);
        QCOMPARE(grid->tableInterface()->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("  12.500"));
        QCOMPARE(grid->tableInterface()->cellAt(0, 5)->text(QAccessible::Name), QStringLiteral("партия 7"));
        QCOMPARE(grid->tableInterface()->columnDescription(5), QStringLiteral("Примечание"));
    }

    // The status bar's lines tell a screen reader their text, in every state
    // of reception, beside their names.
    void statusLinesByTheirText()
    {
        frm1 &w = *m_env->window;
        const auto check = [&w] {
            for (const char *name : {"lblReception", "lblTotals"}) {
                auto *label = w.findChild<QLabel *>(QLatin1String(name));
                QAccessibleInterface *a = QAccessible::queryAccessibleInterface(label);
                QVERIFY(!a->text(QAccessible::Name).isEmpty());
                QCOMPARE(a->text(QAccessible::Description), label->text());
            }
        };
        auto *reception = w.findChild<QLabel *>(QStringLiteral("lblReception"));
        check();
        w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        QTRY_VERIFY(reception->text().startsWith(QStringLiteral("Прием: включен")));
        check();
        m_env->line->loseDevice();
        QTRY_VERIFY(reception->text().endsWith(QStringLiteral("ожидание")));
        check();
        w.tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
    }

    // Every character of every caption has a glyph in the font it is drawn in.
    void cyrillicRenders()
    {
        frm1 &w = *m_env->window;
        for (QWidget *window : {static_cast<QWidget *>(&w), static_cast<QWidget *>(&w.settingsDialog())}) {
            const QFontMetrics metrics(window->font());
            const QStringList texts = captions(*window);
            QVERIFY(texts.contains(QStringLiteral("Примечание:")) || texts.contains(QStringLiteral("Тип весов")));
            for (const QString &text : texts) {
                for (const QChar c : text)
                    QVERIFY2(c.isSpace() || metrics.inFont(c), qPrintable(text));
            }
        }
    }

    void tabOrder()
    {
        frm1 &w = *m_env->window;
        auto *note = w.findChild<QLineEdit *>(QStringLiteral("txtPrim"));
        note->setFocus();
        QTest::keyClick(note, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Grid1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // Tab leaves the journal
        QVERIFY(QApplication::focusWidget()->objectName() != QStringLiteral("Grid1"));

        frmSettings &s = w.settingsDialog();
        s.show();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        QStringList order;
        s.findChild<QWidget *>(QStringLiteral("optTypeScale_0"))->setFocus();
        for (int i = 0; i < 16; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        const QStringList expected = {"arrLuft_0", "arrLuft_1", "arrLuft_2", "arrLuft_3", "arrLuft_4", "arrLuft_5",
                                      "lstCommNom", "chkBell", "chkWriteZero", "chkUnstablResult",
                                      "chkShowStreamData", "btnSave", "btnExit"};
        QCOMPARE(order.first(), QStringLiteral("optTypeScale_0"));
        for (int i = 1; i < expected.size(); ++i)
            QVERIFY2(order.indexOf(expected[i - 1]) < order.indexOf(expected[i]), qPrintable(order.join(' ')));
    }

    void enterAndEscapeInTheSettings()
    {
        frmSettings &s = m_env->window->settingsDialog();
        s.show();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        auto *exit = s.findChild<QPushButton *>(QStringLiteral("btnExit"));
        exit->setFocus();
        QTest::keyClick(exit, Qt::Key_Return); // Enter presses the focused button
        QVERIFY(!s.isVisible());

        s.show();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        auto *box = s.findChild<QLineEdit *>(QStringLiteral("arrLuft_0"));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return); // Enter does nothing in a dead-zone box
        QVERIFY(s.isVisible());
        QTest::keyClick(box, Qt::Key_Escape); // Escape hides the dialog
        QVERIFY(!s.isVisible());
    }

    void messageBoxesAnswerTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<UserMessages::Buttons>("buttons");
        QTest::addColumn<UserMessages::Answer>("answer");
        QTest::addColumn<QString>("seen");
        using B = UserMessages::Buttons;
        using A = UserMessages::Answer;
        const QString yesNo = QStringLiteral("Удаление|Удалить выделенные строки ?|Да,Нет");
        const QString yesNoCancel = QStringLiteral("Удаление|Удалить выделенные строки ?|Отмена,Да,Нет");
        const QString message = QStringLiteral("Tarovik_RS232|Port is closed!|OK");
        QTest::newRow("Enter says Yes") << int(Qt::Key_Return) << B::YesNo << A::Yes << yesNo;
        QTest::newRow("Escape says No") << int(Qt::Key_Escape) << B::YesNo << A::No << yesNo;
        QTest::newRow("Enter says Yes, with Cancel") << int(Qt::Key_Return) << B::YesNoCancel << A::Yes << yesNoCancel;
        QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << B::YesNoCancel << A::Cancel << yesNoCancel;
        QTest::newRow("Escape closes a message") << int(Qt::Key_Escape) << B::Ok << A::Ok << message;
        QTest::newRow("Enter closes a message") << int(Qt::Key_Return) << B::Ok << A::Ok << message;
    }

    void messageBoxesAnswerTheKeyboard()
    {
        QFETCH(int, key);
        QFETCH(UserMessages::Buttons, buttons);
        QtUserMessages messages(m_env->window.get());
        answerNextBox(key);
        const UserMessages::Answer got =
            buttons != UserMessages::Buttons::Ok
                ? messages.show(QStringLiteral("Удалить выделенные строки ?"), QStringLiteral("Удаление"), buttons,
                                UserMessages::Icon::Question)
                : (messages.inform(QStringLiteral("Port is closed!")), UserMessages::Answer::Ok);
        QTEST(got, "answer");
        QTEST(m_seen, "seen");
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
