#include "ui/qtdialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Acts on the next modal dialog as soon as it shows. Should the action not close it, the
// dialog is rejected after a generous limit, so a failing test never hangs.
void whenModalShown(std::function<void(QWidget *)> action)
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        QTimer::singleShot(30000, modal, [modal] {
            ADD_FAILURE() << "dialog left open";
            if (auto *dialog = qobject_cast<QDialog *>(modal))
                dialog->reject();
        });
        action(modal);
    });
    poll->start(10);
}

} // namespace

TEST(QtDialogs, MessageBoxReturnsTheClickedButton)
{
    QtDialogs dialogs;
    dialogs.setUnattended(false);
    QString caption;
    QString text;
    int buttonCount = 0;
    whenModalShown([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_TRUE(box);
        caption = box->windowTitle();
        text = box->text();
        buttonCount = int(box->buttons().size());
        box->button(QMessageBox::Retry)->click();
    });
    EXPECT_EQ(dialogs.askCancelRetryIgnore("Fehler", "Kamera nicht verbunden"), DialogButton::Retry);
    EXPECT_EQ(caption, "Fehler");
    EXPECT_EQ(text, "Kamera nicht verbunden");
    EXPECT_EQ(buttonCount, 3);
}

TEST(QtDialogs, ClosingAMessageBoxGivesTheCancellingButton)
{
    QtDialogs dialogs;
    dialogs.setUnattended(false);
    whenModalShown([](QWidget *w) { w->close(); });
    EXPECT_EQ(dialogs.askYesNoCancel("Frage", "Weiter?"), DialogButton::Cancel);
}

TEST(QtDialogs, InputBoxGivesTextOrNothing)
{
    QtDialogs dialogs;
    dialogs.setUnattended(false);
    QString shownDefault;
    whenModalShown([&](QWidget *w) {
        auto *input = qobject_cast<QInputDialog *>(w);
        ASSERT_TRUE(input);
        shownDefault = input->textValue();
        input->setTextValue("Hochzeit");
        input->accept();
    });
    EXPECT_EQ(dialogs.inputText("Skripter", "Projekt?", "alt"), "Hochzeit");
    EXPECT_EQ(shownDefault, "alt");

    whenModalShown([](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
    EXPECT_FALSE(dialogs.inputText("Skripter", "Projekt?", "alt"));
}

TEST(QtDialogs, UnattendedTheyTellStderrAndCancel)
{
    QtDialogs dialogs;
    ASSERT_TRUE(QtDialogs::headless());
    struct Case
    {
        DialogButtons buttons;
        DialogButton answer;
    };
    const Case cases[] = {
        {DialogButton::Ok, DialogButton::Ok},
        {DialogButton::Yes | DialogButton::No, DialogButton::No},
        {DialogButton::Cancel | DialogButton::Retry | DialogButton::Ignore, DialogButton::Cancel},
    };
    for (const Case &c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(dialogs.message(MessageIcon::Error, "Fehler", "Kamera nicht verbunden", c.buttons),
                  c.answer);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Fehler: Kamera nicht verbunden\n");
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dialogs.inputText("Skripter", "Projekt?", "alt"));
    EXPECT_FALSE(dialogs.openFile({"Laden", {}, "Ordivan.cif", "*.cif", "cif"}));
    EXPECT_FALSE(dialogs.chooseFolder("Ordner", "/tmp"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Skripter: Projekt?\nLaden: Ordivan.cif\nOrdner: /tmp\n");
}

TEST(QtDialogs, NameFiltersMatchInAnyCase)
{
    EXPECT_EQ(QtDialogs::nameFilters("*.ccf|*.CcF"), QStringList{"*.ccf (*.[cC][cC][fF])"});
    EXPECT_EQ(QtDialogs::nameFilters("Bilder|*.jpg;*.tif"),
              QStringList{"Bilder (*.[jJ][pP][gG] *.[tT][iI][fF])"});
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
