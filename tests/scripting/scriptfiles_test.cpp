#include "recordingscriptview.h"

#include "platform/dialogs.h"
#include "platform/scripteddialogs.h"
#include "postprocess/catalogue.h"
#include "scripting/scriptfiles.h"
#include "scripting/scripthost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ScriptRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        setAppDialogs(&dialogs);
        host.setView(&view);
    }
    void TearDown() override { setAppDialogs(nullptr); }

    QStringList runFile(const QString &name, const QByteArray &text)
    {
        view.fileName = dir.filePath(name);
        write(view.fileName, text);
        host.RunScript(QString::fromLatin1(text), false);
        return view.output;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TExternApplications catalogue;
    ScriptHost host{catalogue, nullptr};
    RecordingScriptView view;
};

} // namespace

TEST_F(ScriptRun, IncludesTakeBackslashesAndAnotherLetterCase)
{
    QDir(dir.path()).mkdir(QStringLiteral("Lib"));
    write(dir.filePath(QStringLiteral("Lib/Helper.inc")), "procedure Hallo; begin Anzeige('aus dem include'); end;\r\n");
    const QStringList out = runFile(QStringLiteral("main.rops"),
                                    "program T;\r\n{$I Lib\\helper.INC}\r\nbegin\r\n  Hallo;\r\nend.\r\n");
    EXPECT_EQ(out, (QStringList{"Succesfully compiled", "aus dem include", "Successfully executed"})) << out.join(u'\n').toStdString();
}

TEST_F(ScriptRun, TheCaretGoesToTheFirstErrorOnlyWhenTheMainFileHoldsIt)
{
    write(dir.filePath(QStringLiteral("bad.inc")), "procedure P; begin x := 1; end;\r\n");
    runFile(QStringLiteral("a.rops"), "program T;\r\n{$I bad.inc}\r\nbegin\r\nend.\r\n");
    EXPECT_EQ(view.output.value(0), QStringLiteral("Failed when compiling"));
    EXPECT_TRUE(view.carets.isEmpty());

    const QStringList out = runFile(QStringLiteral("b.rops"), "program T;\r\nbegin\r\n\tAnzeige(y);\r\nend.\r\n");
    EXPECT_EQ(out.value(0), QStringLiteral("Failed when compiling"));
    ASSERT_EQ(view.carets.size(), 1);
    EXPECT_EQ(view.carets.first().y(), 3);
}

TEST_F(ScriptRun, ExternalFunctionsComeFromSoLibrariesAndAWindowsLibraryIsRefused)
{
    const QByteArray head = "program T;\r\nfunction labs(x: Int64): Int64; external ";
    const QByteArray tail = ";\r\nbegin\r\n  Anzeige(IntToStr(labs(-5)));\r\nend.\r\n";
    EXPECT_EQ(runFile(QStringLiteral("so.rops"), head + "'labs@libc.so.6'" + tail),
              (QStringList{"Succesfully compiled", "5", "Successfully executed"}));

    const QStringList out = runFile(QStringLiteral("dll.rops"), head + "'labs@msvcrt.DLL'" + tail);
    ASSERT_EQ(out.size(), 2) << out.join(u'\n').toStdString();
    EXPECT_TRUE(out.at(1).contains(QStringLiteral("msvcrt.DLL")));
}

TEST_F(ScriptRun, HostObjectsAndRuntimeErrorsReachTheOutput)
{
    view.answer = QStringLiteral("Antwort");
    const QStringList out = runFile(QStringLiteral("d.rops"),
                                    "program T;\r\nvar s: string; i: Integer;\r\nbegin\r\n"
                                    "  Memo2.Lines.Add('eins'); Memo2.Lines[1] := 'zwei';\r\n"
                                    "  Self.Caption := 'Titel'; s := 'a'; Anzeige(ImportTest('x', 1, 2, 3, s));\r\n"
                                    "  Anzeige(s); Anzeige(zahlmitnullen(-5, '000') + Einlesen('Wer?'));\r\n"
                                    "  ShowMessage('Hallo'); i := 0; i := 1 div i;\r\nend.\r\n");
    EXPECT_EQ(out.mid(0, 5), (QStringList{"Succesfully compiled", "zwei", "x 1 2 3 - OK!",
                                          "a x 1 2 3 - OK! -   OK2!", "0-5Antwort"}));
    EXPECT_TRUE(out.value(5).startsWith(QStringLiteral("[Runtime Error] : "))) << out.join('\n').toStdString();
    EXPECT_EQ(view.captions, QStringList{"Titel"});
    EXPECT_EQ(view.questions, QStringList{"Wer?"});
    EXPECT_EQ(dialogs.calls().size(), 1);
}

TEST_F(ScriptRun, AScriptFileIsLoadedIntoTheWindowOrReportedMissing)
{
    write(dir.filePath(QStringLiteral("s.rops")), "program \xe4;\r\n");
    EXPECT_TRUE(loadScriptFile(view, dir.filePath(QStringLiteral("s.rops"))));
    EXPECT_EQ(view.script, QStringLiteral("program ä;\r\n"));
    EXPECT_EQ(view.fileName, dir.filePath(QStringLiteral("s.rops")));

    EXPECT_FALSE(loadScriptFile(view, dir.filePath(QStringLiteral("fehlt.rops"))));
    EXPECT_EQ(view.fileName, dir.filePath(QStringLiteral("s.rops")));
    ASSERT_EQ(dialogs.calls().size(), 1);
}
