#include "commandeditortest.h"

#include "ui/fcommandbuilder.h"

#include <QApplication>
#include <QComboBox>
#include <QRegularExpression>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <memory>

namespace {

class CommandBuilderTest : public CommandEditorTest
{
protected:
    void SetUp() override
    {
        CommandEditorTest::SetUp();
        m_app = addApplication("Tool", "/usr/bin/tool");
        m_command = addCommand(*m_app, "Run");
        m_builder = std::make_unique<TFCommandbuilder>(m_catalogue);
    }
    void build() { m_builder->ShowCommandControls(0, 0); }
    QString memo() const { return child<QPlainTextEdit>(*m_builder, "Memo1")->toPlainText(); }
    QLineEdit *edit(const QString &name) const { return child<QLineEdit>(*m_builder, name); }
    void type(const QString &editName, const QString &text) const
    {
        QLineEdit *e = edit(editName);
        e->setText(text);
        emit e->textEdited(text);
    }
    void choose(const QString &boxName, int index) const
    {
        auto *box = child<QComboBox>(*m_builder, boxName);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void press(const QString &button) const { child<QPushButton>(*m_builder, button)->click(); }

    TExternApplication *m_app = nullptr;
    TExterncommand *m_command = nullptr;
    std::unique_ptr<TFCommandbuilder> m_builder;
};

TEST_F(CommandBuilderTest, EveryTypeGetsItsControlsAndPiece)
{
    struct Case
    {
        const char *name;
        const char *type;
        const char *text;
        QStringList controls; // besides the label "la" + name
        QString piece;        // before any change, after the blank that precedes it
    };
    const Case cases[] = {
        {"sw", "Switch", "-q", {"edsw"}, "-q -q"},
        {"st", "String", "out.jpg", {"edst"}, "out.jpg"},
        {"fp", "FilePath", "-i", {"edfp", "cbfp", "btfp"}, "-i -i"},
        {"dp", "DirPath", "-o", {"eddp", "cbdp", "btdp"}, "-o -o"},
        {"tm", "Textmask", "m", {"edtm", "bttm"}, "m"},
        {"s1", "Selectionlist_1", "-a", {"LB1s1", "LB2s1"}, "-a "},
        {"s2", "Selectionlist_2", "-r", {"LB1s2", "LB2s2"}, "-r "},
        {"fn", "Fontname", "-font", {"edfn", "btfn"}, "-font Sans"},
        // Preset with the size of the font the builder started with.
        {"fs", "Fontstyle", "-style", {"edfs"}, "-style " + QString::number(QApplication::font().pointSize())},
        {"fz", "Fontsize", "-pointsize", {"edfz"}, "-pointsize 9"},
        {"fc", "Fontcolor", "-fill", {"edfc"}, "-fill RGB(0,0,0)"},
    };
    for (const Case &c : cases)
        addParam(*m_command, c.name, c.type, c.text, "a,b", "x,y");
    // The types without controls, and a type the catalogue does not know.
    addParam(*m_command, "nu", "Number", "-n");
    addParam(*m_command, "s3", "Selectionlist_3", "-z");
    addParam(*m_command, "xx", "Gibtsnicht", "-x");
    m_builder = std::make_unique<TFCommandbuilder>(m_catalogue);
    m_dialogs.answerFont({"Sans", 9, false, false, 0});
    build();
    press("btfn"); // a known font, whatever the machine's default is
    type("edfn", "Sans");

    QString line = "/usr/bin/tool";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(m_builder->findChild<QWidget *>(QStringLiteral("la") + c.name), nullptr);
        for (const QString &control : c.controls)
            EXPECT_NE(m_builder->findChild<QWidget *>(control), nullptr) << control.toStdString();
        line += u' ' + c.piece;
    }
    // "Number" adds nothing, "Selectionlist_3" two blanks, an unknown type nothing.
    line += "  ";
    EXPECT_EQ(m_builder->findChildren<QWidget *>(QRegularExpression("^(ed|cb|bt|LB.)(nu|s3|xx)$")).size(), 0);
    EXPECT_EQ(m_builder->commandLine(), line);
    EXPECT_EQ(memo(), line);

    const TCommandstrings &strings = m_builder->commandStrings();
    ASSERT_EQ(strings.Names.size(), 15);
    EXPECT_EQ(strings.Names.first(), "Anwendung");
    EXPECT_EQ(strings.Types.first(), "Befehl");
    EXPECT_EQ(strings.Pieces.first(), "/usr/bin/tool");
    EXPECT_EQ(strings.Names[2], "st");
    EXPECT_EQ(strings.Types[2], "String");
    EXPECT_EQ(strings.Pieces[2], "out.jpg");
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(CommandBuilderTest, EveryChangeComposesTheLineAgain)
{
    addParam(*m_command, "size", "Switch", "-resize");
    addParam(*m_command, "count", "Number", "-n");
    addParam(*m_command, "out", "String", "x");
    addParam(*m_command, "mask", "Textmask");
    build();
    m_builder->setMaskDialogOpener([] { return QStringLiteral("IMG#IMGNR"); });

    type("edsize", "50%");
    type("edout", "out.jpg");
    EXPECT_EQ(memo(), "/usr/bin/tool -resize 50% out.jpg ");
    press("btmask");
    EXPECT_EQ(edit("edmask")->text(), "IMG#IMGNR");
    EXPECT_EQ(memo(), "/usr/bin/tool -resize 50% out.jpg IMG#IMGNR");
    press("Button1");
    EXPECT_EQ(memo(), "");
}

TEST_F(CommandBuilderTest, PathPlaceholdersAndDialogs)
{
    addParam(*m_command, "in", "FilePath", "-i");
    addParam(*m_command, "dir", "DirPath", "-o");
    build();

    choose("cbin", 0);
    EXPECT_EQ(edit("edin")->text(), "Aktuelles_Bild");
    choose("cbdir", 3);
    EXPECT_EQ(edit("eddir")->text(), "EBVPFAD+MASKE");
    EXPECT_EQ(memo(), "/usr/bin/tool -i #COMAKTBILD -o #EBVPATHMASK");

    m_dialogs.answerPath("/pics/a.jpg").answerPath("/out");
    press("btin");
    press("btdir");
    EXPECT_EQ(memo(), "/usr/bin/tool -i /pics/a.jpg -o /out");
    ASSERT_EQ(m_dialogs.calls().size(), 2);
    EXPECT_EQ(m_dialogs.calls()[0].kind, DialogKind::SaveFile);
    EXPECT_EQ(m_dialogs.calls()[1].kind, DialogKind::ChooseFolder);

    // A cancelled dialog empties edit and value.
    m_dialogs.answerCancel().answerCancel();
    press("btin");
    press("btdir");
    EXPECT_EQ(edit("edin")->text(), "");
    EXPECT_EQ(edit("eddir")->text(), "");
    EXPECT_EQ(memo(), "/usr/bin/tool -i  -o ");
    EXPECT_TRUE(m_dialogs.finished());
}

TEST_F(CommandBuilderTest, SelectionListsTakeTheClickedEntry)
{
    addParam(*m_command, "one", "Selectionlist_1", "-a", "x,y");
    addParam(*m_command, "size", "Selectionlist_2", "-resize", "small,large", "100x100,800x600");
    // A second list shorter than the first.
    addParam(*m_command, "short", "Selectionlist_2", "-s", "a,b,c", "1");
    build();
    auto list = [this](const char *name) { return child<QListWidget>(*m_builder, name); };
    EXPECT_EQ(list("LB1one")->currentRow(), 0);
    EXPECT_EQ(memo(), "/usr/bin/tool -a  -resize  -s ");

    clickRow(list("LB2one"), 1); // list 2 of the first kind does not make the piece
    clickRow(list("LB1one"), 1);
    clickRow(list("LB1size"), 1);
    EXPECT_EQ(list("LB2size")->currentRow(), 1);
    EXPECT_EQ(memo(), "/usr/bin/tool -a y -resize 800x600 -s ");

    clickRow(list("LB1short"), 0);
    EXPECT_EQ(memo(), "/usr/bin/tool -a y -resize 800x600 -s 1");
    clickRow(list("LB1short"), 2);
    EXPECT_EQ(list("LB2short")->currentRow(), -1);
    EXPECT_EQ(memo(), "/usr/bin/tool -a y -resize 800x600 -s ");
}

TEST_F(CommandBuilderTest, FontDialogFillsNameSizeAndColour)
{
    addParam(*m_command, "font", "Fontname", "-font");
    addParam(*m_command, "style", "Fontstyle", "-style");
    addParam(*m_command, "size", "Fontsize", "-pointsize");
    addParam(*m_command, "color", "Fontcolor", "-fill");
    build();
    type("edstyle", "bold");
    m_dialogs.answerFont({"DejaVu Sans Mono", 12, true, false, 0x102030});
    press("btfont");

    EXPECT_EQ(edit("edfont")->text(), "\"DejaVu-Sans-Mono\"");
    EXPECT_EQ(edit("edstyle")->text(), "bold");
    EXPECT_EQ(edit("edsize")->text(), "12");
    EXPECT_EQ(edit("edcolor")->text(), "RGB(16,32,48)");
    EXPECT_EQ(memo(), "/usr/bin/tool -font \"DejaVu-Sans-Mono\" -style bold -pointsize 12 -fill RGB(16,32,48)");

    // The dialog starts from the last choice; cancelling changes nothing.
    m_dialogs.answerCancel();
    press("btfont");
    EXPECT_EQ(m_dialogs.calls().last().font.family, "DejaVu Sans Mono");
    EXPECT_EQ(edit("edsize")->text(), "12");
}

TEST_F(CommandBuilderTest, ParametersOfOneNameKeepTheirOwnValues)
{
    addParam(*m_command, "p", "Switch", "-a");
    addParam(*m_command, "p", "Switch", "-b");
    build();
    const QList<QLineEdit *> edits = m_builder->findChildren<QLineEdit *>("edp");
    ASSERT_EQ(edits.size(), 2);
    edits[1]->setText("2");
    emit edits[1]->textEdited("2");
    EXPECT_EQ(memo(), "/usr/bin/tool -a -a -b 2");
}

TEST_F(CommandBuilderTest, PositionsOutsideTheCatalogueBuildNothing)
{
    addParam(*m_command, "p", "Switch", "-a");
    build();
    m_builder->ShowCommandControls(0, 1);
    EXPECT_EQ(m_builder->findChild<QLineEdit *>("edp"), nullptr);
    EXPECT_EQ(m_builder->commandLine(), "");
    EXPECT_TRUE(m_builder->commandStrings().Names.isEmpty());
    m_builder->ShowCommandControls(3, 0);
    EXPECT_EQ(m_builder->commandLine(), "");
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

} // namespace
