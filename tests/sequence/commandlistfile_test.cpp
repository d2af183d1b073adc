#include "configfixture.h"
#include "messagerecorder.h"

#include "sequence/commandlistfile.h"
#include "settings/inifile.h"

#include <QStringList>

namespace {

// The keys of one command section as they must appear on disk, in order.
const char *const CanonicalKeys[] = {
    "AeModeName_____", "AeModeId_______", "AVNAME_________", "AVId___________",
    "TVNAME_________", "TVId___________", "Bulbtime_______", "IsoName________",
    "IsoId__________", "WAName_________", "WAId___________", "QualityName____",
    "QualityId______", "ExpcompName____", "ExpCompId______", "Delstd_________",
    "Delmin_________", "Delsek_________",
};

QByteArray canonicalSection(int index, const QStringList &values)
{
    QString text = QStringLiteral("[Command %1]\r\n").arg(index);
    for (int i = 0; i < int(std::size(CanonicalKeys)); ++i)
        text += QLatin1String(CanonicalKeys[i]) + u'=' + values[i] + QStringLiteral("\r\n");
    return text.toLatin1();
}

TCamerasettings command(const QString &aeMode, int seconds)
{
    TCamerasettings c;
    c.AEMode = TPropList{aeMode, 1, false};
    c.PauseSeconds = seconds;
    return c;
}

class CommandListFileTest : public ConfigFixture
{
protected:
    void SetUp() override
    {
        ConfigFixture::SetUp();
        CommandList() = {command(QStringLiteral("before"), 7)};
    }
    void TearDown() override
    {
        CommandList().clear();
        ConfigFixture::TearDown();
    }
    // The one box the dialogs showed, or an empty text.
    QString shownMessage() const
    {
        return m_dialogs.calls().size() == 1 ? m_dialogs.calls()[0].text : QString();
    }
};

TEST_F(CommandListFileTest, HandEditedFileLoadsAndSavesBackInCanonicalForm)
{
    // Other capitals, keys in another order, missing keys; Windows-1252 text; a code of -1
    // and the code of "no selection".
    writeFile("hand.clf",
              "[SETUP]\r\ncommandCOUNT=3\r\n"
              "[command 0]\r\naemodename_____=Av\r\nAEMODEID_______=2\r\n"
              "avname_________=5.6\r\navid___________=-1\r\n"
              "isoname________=UNKNOWN\r\nisoid__________=268435455\r\n"
              "waname_________=Tageslicht\r\nwaid___________=1\r\n"
              "DELSEK_________=5\r\n"
              "[Command 1]\r\nQualityName____=Gr\xfc\xdf" "e L\r\nQualityId______=0x13\r\n"
              "delmin_________=2\r\nBulbtime_______=30\r\n"
              "[COMMAND 2]\r\nExpcompName____=+1\r\nExpCompId______=8\r\n");

    ASSERT_TRUE(LoadCommandlist2(QStringLiteral("hand.clf")));
    ASSERT_EQ(CommandList().size(), 3);
    const TCamerasettings &first = CommandList()[0];
    EXPECT_EQ(first.AEMode.Name, QStringLiteral("Av"));
    EXPECT_EQ(first.Av.ID, 0xFFFFFFFFu);
    EXPECT_EQ(first.ISO.ID, 0x0FFFFFFFu);
    EXPECT_EQ(first.WB.Name, QStringLiteral("Tageslicht"));
    EXPECT_EQ(CommandList()[1].Quality.Name, QStringLiteral("Grüße L"));
    EXPECT_EQ(CommandList()[1].Quality.ID, 0x13u);
    EXPECT_EQ(CommandList()[2].Bulbtime, 15) << "missing keys take their defaults";
    EXPECT_EQ(CommandList()[2].PauseSeconds, 15);

    ASSERT_TRUE(saveCommandList(path("saved.clf")));
    const QByteArray expected =
        "[Setup]\r\nCommandcount=3\r\n"
        + canonicalSection(0, {"Av", "2", "5.6", "-1", "", "0", "15", "UNKNOWN", "268435455",
                               "Tageslicht", "1", "", "0", "", "0", "0", "0", "5"})
        + canonicalSection(1, {"", "0", "", "0", "", "0", "30", "", "0", "", "0",
                               QStringLiteral("Grüße L"), "19", "", "0", "0", "2", "15"})
        + canonicalSection(2, {"", "0", "", "0", "", "0", "15", "", "0", "", "0", "", "0",
                               "+1", "8", "0", "0", "15"});
    EXPECT_EQ(QString::fromLatin1(readFile("saved.clf")), QString::fromLatin1(expected));
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

TEST_F(CommandListFileTest, SavingAShorterListKeepsOldSectionsButLoadsOnlyItsCount)
{
    CommandList() = {command("a", 1), command("b", 2), command("c", 3), command("d", 4),
                     command("e", 5)};
    ASSERT_TRUE(saveCommandList(path("list.clf")));
    CommandList() = {command("x", 10), command("y", 11)};
    ASSERT_TRUE(saveCommandList(path("list.clf")));

    EXPECT_TRUE(IniFile(path("list.clf")).hasSection(QStringLiteral("Command 4")));
    CommandList().clear();
    ASSERT_TRUE(LoadCommandlist2(path("list.clf")));
    ASSERT_EQ(CommandList().size(), 2);
    EXPECT_EQ(CommandList()[1].AEMode.Name, QStringLiteral("y"));
    EXPECT_EQ(CommandList()[1].PauseSeconds, 11);

    CommandList().clear();
    ASSERT_TRUE(saveCommandList(path("empty.clf")));
    EXPECT_EQ(readFile("empty.clf"), QByteArray("[Setup]\r\nCommandcount=0\r\n"));
    CommandList() = {command("z", 1)};
    ASSERT_TRUE(LoadCommandlist2(path("empty.clf")));
    EXPECT_TRUE(CommandList().isEmpty());
}

TEST_F(CommandListFileTest, CountRules)
{
    QByteArray sixSections;
    for (int i = 0; i < 6; ++i)
        sixSections += "[Command " + QByteArray::number(i) + "]\r\nDelsek_________=" + QByteArray::number(i) + "\r\n";
    struct Case
    {
        const char *name;
        QByteArray file;
        qsizetype loaded;
    };
    const Case cases[] = {
        {"negative count reads as none", "[Setup]\r\nCommandcount=-4\r\n[Command 0]\r\n", 0},
        {"no count: six sections", sixSections, 6},
        {"count not a number: six sections", "[Setup]\r\nCommandcount=viele\r\n" + sixSections, 6},
        {"count below the sections", "[Setup]\r\nCommandcount=2\r\n" + sixSections, 2},
    };
    for (const Case &c : cases) {
        CommandList() = {command("before", 7)};
        EXPECT_TRUE(LoadCommandlist2(writeFile("count.clf", c.file))) << c.name;
        EXPECT_EQ(CommandList().size(), c.loaded) << c.name;
    }
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

TEST_F(CommandListFileTest, BadFilesAreReportedAndChangeNothing)
{
    struct Case
    {
        const char *name;
        QByteArray file;  // nothing is written when empty
        const char *problem;
    };
    const Case cases[] = {
        {"missing file", {}, " existiert nicht"},
        {"largest count", "[Setup]\r\nCommandcount=2147483647\r\n[Command 0]\r\n", " ist beschädigt"},
        {"count above the sections", "[Setup]\r\nCommandcount=3\r\n[Command 0]\r\n[Command 1]\r\n", " ist beschädigt"},
        {"a gap", "[Setup]\r\nCommandcount=2\r\n[Command 1]\r\n[Command 2]\r\n", " ist beschädigt"},
        {"no count and no sections", "[Other]\r\nx=1\r\n", " ist beschädigt"},
    };
    for (const Case &c : cases) {
        m_dialogs.clear();
        m_dialogs.answer(DialogButton::Ok);
        QFile::remove(path("bad.clf"));
        if (!c.file.isEmpty())
            writeFile("bad.clf", c.file);

        EXPECT_FALSE(LoadCommandlist2(QStringLiteral("bad.clf"))) << c.name;
        ASSERT_EQ(CommandList().size(), 1) << c.name;
        EXPECT_EQ(CommandList()[0].AEMode.Name, QStringLiteral("before")) << c.name;
        EXPECT_EQ(shownMessage(), QStringLiteral("Die Datei ") + path("bad.clf") + QString::fromUtf8(c.problem)
                                      + QStringLiteral(" . die Einstellungen können nicht geladen werden."))
            << c.name;
    }
}

TEST_F(CommandListFileTest, FailedSaveIsReported)
{
    m_dialogs.answer(DialogButton::Ok);
    EXPECT_FALSE(saveCommandList(path("no/such/folder/a.clf")));
    EXPECT_TRUE(shownMessage().startsWith(QStringLiteral("Die Datei ") + path("no/such/folder/a.clf")
                                          + QStringLiteral(" kann nicht geschrieben werden")))
        << shownMessage().toStdString();
}

TEST_F(CommandListFileTest, MenuEntriesOfferTheCommandListFileAndCancelDoesNothing)
{
    m_dialogs.answerPath(path("menu.clf")).answerCancel();
    ASSERT_TRUE(SpeicherBilderfolge2());
    EXPECT_FALSE(BilderfolgeLaden());
    ASSERT_TRUE(m_dialogs.finished());
    const DialogCall &save = m_dialogs.calls()[0];
    EXPECT_EQ(save.file.fileName, QStringLiteral("Commandlist.clf"));
    EXPECT_EQ(save.file.filter, QStringLiteral("*.clf|*.CLF"));
    EXPECT_EQ(CommandList().size(), 1);
}

} // namespace
