// The main window's five test commands: each hides the main window, runs its selection dialog
// in the right mode and shows the main window again, also when the dialog fails.
#include "SelectionFixture.h"
#include "app/MainDlg.h"
#include "data/Strings.h"
#include "selection/ErrorTestTypeDlg.h"
#include "selection/QuestionTypeDlg.h"
#include "selection/TestTypeDlg.h"
#include "widgets/FancyButton.h"

#include <QAccessible>
#include <QLabel>

class TestSelectionCommands : public QObject
{
    Q_OBJECT
private slots:
    void commandRunsItsDialogWithTheMainWindowHidden_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("heading");
        QTest::newRow("browsing") << 1 << QStringLiteral("QuestionTypeDlg") << Str::HeadingBrowse;
        QTest::newRow("hints") << 2 << QStringLiteral("TestTypeDlg") << Str::HeadingHints;
        QTest::newRow("practice") << 3 << QStringLiteral("TestTypeDlg") << Str::HeadingPractice;
        QTest::newRow("live") << 4 << QStringLiteral("TestTypeDlg") << Str::HeadingLive;
        QTest::newRow("error tests") << 5 << QStringLiteral("ErrorTestTypeDlg") << Str::HeadingErrorTests;
    }
    void commandRunsItsDialogWithTheMainWindowHidden()
    {
        QFETCH(int, button);
        QFETCH(QString, dialog);
        QFETCH(QString, heading);
        TSelectionFixture f;
        TMainDlg main;
        TQuestionTypeDlg questionType;
        TTestTypeDlg testType;
        TErrorTestTypeDlg errorTestType;
        main.show();
        QString shown;
        QString shownHeading;
        QString accessibleName;
        bool mainVisible = true;
        QTimer::singleShot(0, &main, [&] {
            QWidget* active = QApplication::activeModalWidget();
            if (!active) return;
            shown = active->objectName();
            if (auto* label = active->findChild<QLabel*>(QStringLiteral("Label1")))
                shownHeading = label->text();
            accessibleName = QAccessible::queryAccessibleInterface(active)->text(QAccessible::Name);
            mainVisible = main.isVisible();
            QTest::keyClick(active, Qt::Key_Escape);
        });
        main.button(button)->click();
        QCOMPARE(shown, dialog);
        QCOMPARE(shownHeading, heading);
        QCOMPARE(accessibleName, heading); // a screen reader names the dialog by its heading
        QVERIFY(!mainVisible);
        QVERIFY(main.isVisible());
        if (button >= 2 && button <= 4) QCOMPARE(testType.mode(), button);
        QVERIFY(f.runs.isEmpty());
    }

    void mainWindowComesBackAfterAnError()
    {
        TSelectionFixture f;
        TMainDlg main;
        TTestTypeDlg testType;
        main.show();
        f.exec(QStringLiteral("DROP TABLE TYPTESTU"));
        main.button(2)->click();
        QCOMPARE(f.errors.size(), 1);
        QVERIFY(main.isVisible());
        QVERIFY(!testType.isVisible());
    }
};

QTEST_MAIN(TestSelectionCommands)
#include "tst_selectioncommands.moc"
