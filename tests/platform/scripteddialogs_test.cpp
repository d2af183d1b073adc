#include "platform/scripteddialogs.h"

#include <gtest/gtest.h>

namespace {

// Restores the default dialogs however the test ends.
class InstalledScript : public ::testing::Test
{
protected:
    InstalledScript() { setAppDialogs(&script); }
    ~InstalledScript() override { setAppDialogs(nullptr); }
    ScriptedDialogs script;
};

} // namespace

TEST_F(InstalledScript, AnswersInOrderAndRecordsWhatWasAsked)
{
    const FontChoice font{"DejaVu Sans", 12, true, false, 0xFF8000};
    script.answer(DialogButton::Yes)
        .answerText("Hochzeit")
        .answerPath("/tmp/a.ccf")
        .answerPath("/tmp/b.csf")
        .answerPath("/tmp/bilder")
        .answerFont(font);

    Dialogs &d = appDialogs();
    EXPECT_EQ(d.askYesNoCancel("Fehler", "Soll es angelegt werden?", MessageIcon::Error), DialogButton::Yes);
    EXPECT_EQ(d.inputText("Skripter", "Name?", "x"), "Hochzeit");
    FileDialogOptions open{"Laden", "/tmp", "Ordivan.ccf", "*.ccf|*.CcF", "*ccf"};
    EXPECT_EQ(d.openFile(open), "/tmp/a.ccf");
    EXPECT_EQ(d.saveFile({"Speichern", {}, "Ordivan.csf", "*.csf|*.csF", "*csf"}), "/tmp/b.csf");
    EXPECT_EQ(d.chooseFolder("Ordner", "/home"), "/tmp/bilder");
    EXPECT_EQ(d.chooseFont("Schrift", {}), font);

    QString why;
    EXPECT_TRUE(script.finished(&why)) << why.toStdString();
    const QList<DialogCall> &calls = script.calls();
    ASSERT_EQ(calls.size(), 6);
    EXPECT_EQ(calls[0].kind, DialogKind::Message);
    EXPECT_EQ(calls[0].caption, "Fehler");
    EXPECT_EQ(calls[0].text, "Soll es angelegt werden?");
    EXPECT_EQ(calls[0].icon, MessageIcon::Error);
    EXPECT_EQ(calls[0].buttons, DialogButton::Yes | DialogButton::No | DialogButton::Cancel);
    EXPECT_EQ(calls[1].kind, DialogKind::InputText);
    EXPECT_EQ(calls[1].text, "Name?");
    EXPECT_EQ(calls[1].defaultText, "x");
    EXPECT_EQ(calls[2].kind, DialogKind::OpenFile);
    EXPECT_EQ(calls[2].file.fileName, "Ordivan.ccf");
    EXPECT_EQ(calls[2].file.filter, "*.ccf|*.CcF");
    EXPECT_EQ(calls[3].kind, DialogKind::SaveFile);
    EXPECT_EQ(calls[4].startFolder, "/home");
    EXPECT_EQ(calls[5].kind, DialogKind::ChooseFont);
}

TEST_F(InstalledScript, CancelFitsEveryKind)
{
    for (int i = 0; i < 6; ++i)
        script.answerCancel();
    Dialogs &d = appDialogs();
    EXPECT_EQ(d.askCancelRetryIgnore("Fehler", "Kamera nicht verbunden"), DialogButton::Cancel);
    EXPECT_EQ(d.askYesNo("Frage", "Speichern?"), DialogButton::No);
    EXPECT_FALSE(d.inputText("Eingabe", "?"));
    EXPECT_FALSE(d.openFile({}));
    EXPECT_FALSE(d.chooseFolder("Ordner", {}));
    EXPECT_FALSE(d.chooseFont("Schrift", {}));
    EXPECT_TRUE(script.finished());
}

TEST_F(InstalledScript, UnfittingOrMissingAnswersAreCancelledAndReported)
{
    script.answerPath("/tmp/x").answer(DialogButton::Retry);
    Dialogs &d = appDialogs();
    EXPECT_EQ(d.askYesNo("Frage", "Speichern?"), DialogButton::No);     // a path for a box
    EXPECT_EQ(d.askYesNoCancel("Frage", "Weiter?"), DialogButton::Cancel);  // Retry not offered
    d.showMessage("Fehler", "Die Datei x existiert nicht");             // nothing left
    EXPECT_FALSE(d.openFile({"Laden", {}, {}, {}, {}}));

    const QList<DialogCall> unexpected = script.unexpectedCalls();
    ASSERT_EQ(unexpected.size(), 4);
    EXPECT_EQ(unexpected[0].problem, "the next answer is a path, not a button");
    EXPECT_EQ(unexpected[1].problem, "answer Retry is not among the buttons");
    EXPECT_EQ(unexpected[2].problem, "no answer left");
    EXPECT_EQ(unexpected[2].toString(),
              "message box \"Fehler\": Die Datei x existiert nicht [Ok] (unexpected: no answer left)");

    QString why;
    EXPECT_FALSE(script.finished(&why));
    EXPECT_TRUE(why.contains("open dialog \"Laden\"")) << why.toStdString();

    script.clear();
    script.answer(DialogButton::Ok);
    EXPECT_FALSE(script.finished(&why));
    EXPECT_EQ(why, "1 answer(s) never asked for");
}
