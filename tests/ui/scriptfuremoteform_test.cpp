#include "ui/scriptfuremoteform.h"

#include "platform/scripteddialogs.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class RemoteWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setAppDialogs(&dialogs);
        window.setSender([this](const QString &title, const QString &text) {
            sent << title + QLatin1Char('|') + text;
            if (duringSend)
                duringSend();
            return result;
        });
    }
    void TearDown() override { setAppDialogs(nullptr); }

    void pressEnterInList()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(window.ListBox1, &press);
    }

    ScriptedDialogs dialogs;
    TScriptFuRemoteForm window;
    QStringList sent;
    SendKeysResult result{true, {}};
    std::function<void()> duringSend;
};

TEST_F(RemoteWindow, ControlsAndTheTestListOfAllCodes)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Script fu Remote"));
    EXPECT_EQ(window.findChild<QLineEdit *>(QStringLiteral("ScriptFuWindowTitleEdit"))->text(),
              QStringLiteral("Skript-Fu-Konsole"));
    EXPECT_EQ(window.findChild<QLineEdit *>(QStringLiteral("Edit1"))->text(), QStringLiteral("Edit1"));
    EXPECT_FALSE(window.findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    const auto *list = window.findChild<QListWidget *>(QStringLiteral("ListBox1"));
    ASSERT_EQ(list->count(), 256);
    EXPECT_EQ(list->item(65)->text(), QStringLiteral("Wert = 65ist gleich Taste = A"));
    EXPECT_EQ(list->item(128)->text(), QStringLiteral("Wert = 128ist gleich Taste = €"));
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Wert = 0ist gleich Taste = ") + QChar(0));
}

TEST_F(RemoteWindow, SendButtonSendsTheTextAndReportsABadRepeatCount)
{
    window.Edit1->setText(QStringLiteral("+abc"));
    window.btnSendKeys->click();
    EXPECT_EQ(sent, QStringList{QStringLiteral("Skript-Fu-Konsole|+abc")});
    EXPECT_TRUE(dialogs.calls().isEmpty());

    result = {false, QStringLiteral("'X' ist kein gültiger Integerwert")};
    dialogs.answer(DialogButton::Ok);
    window.btnSendKeys->click();
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls()[0].text, result.error);
}

TEST_F(RemoteWindow, EnterInTheListSendsTheLineWithEnterAndMovesOn)
{
    pressEnterInList(); // nothing selected
    EXPECT_TRUE(sent.isEmpty());

    window.ListBox1->setCurrentRow(65);
    // A second Enter while the line is still being sent goes nowhere.
    duringSend = [this] { pressEnterInList(); };
    result = {false, QStringLiteral("ignored")};
    pressEnterInList();
    EXPECT_EQ(sent, QStringList{QStringLiteral("Skript-Fu-Konsole|Wert = 65ist gleich Taste = A~")});
    EXPECT_EQ(window.ListBox1->currentRow(), 66);
    EXPECT_TRUE(dialogs.calls().isEmpty());
}

TEST_F(RemoteWindow, TitleCaptureCopiesTheTitleUnderThePointer)
{
    window.setPointerTextSource([] { return QStringLiteral("GIMP"); });
    window.FindWindowTitleButton->click();
    EXPECT_TRUE(window.Timer1->isActive());
    EXPECT_EQ(window.Timer1->interval(), 10);
    QDeadlineTimer deadline(10000);
    while (window.ScriptFuWindowTitleEdit->text() != QLatin1String("GIMP") && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(window.ScriptFuWindowTitleEdit->text(), QStringLiteral("GIMP"));
}

} // namespace
