#include "postprocess/catalogue.h"

#include "postprocess/commatext.h"
#include "settings/inifile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TExternCommandParam *addParam(TExterncommand &command, const QString &name, const QString &type,
                              const QString &text = {})
{
    return command.Params.append(std::make_unique<TExternCommandParam>(
        TExternCommandParam{name, type, text, {}, {}}));
}

TExterncommand *addCommand(TExternApplication &application, const QString &name)
{
    auto command = std::make_unique<TExterncommand>();
    command->Name = name;
    return application.Commands.append(std::move(command));
}

TExternApplication *addApplication(TExternApplications &catalogue, const QString &name,
                                   const QString &path = {})
{
    auto application = std::make_unique<TExternApplication>();
    application->Name = name;
    application->SetApplicationPath(path);
    return catalogue.Applications.append(std::move(application));
}

struct CommaCase
{
    const char *name;
    QString text;
    QStringList items;
    bool joinsBack; // joining items gives text again
};

const CommaCase commaCases[] = {
    {"Plain", "a,b,c", {"a", "b", "c"}, true},
    {"Empty", "", {}, true},
    {"EmptyItemInTheMiddle", "a,,b", {"a", "", "b"}, true},
    {"TrailingCommaGivesEmptyItem", "a,", {"a", ""}, true},
    {"BlankIsQuoted", "\"a b\",c", {"a b", "c"}, true},
    {"CommaIsQuoted", "\"1,5\",2", {"1,5", "2"}, true},
    {"QuoteIsDoubled", "\"say \"\"hi\"\"\"", {"say \"hi\""}, true},
    {"TabIsQuoted", "\"a\tb\"", {"a\tb"}, true},
    {"BlankSeparatesWhenUnquoted", "a b, c", {"a", "b", "c"}, false},
    {"BlanksAroundItemsDrop", "  a ,  b  ", {"a", "b"}, false},
    {"UnclosedQuoteRunsToTheEnd", "\"a,b", {"a,b"}, false},
};

class CommaText : public ::testing::TestWithParam<CommaCase>
{
};

TEST_P(CommaText, SplitsAndJoinsByTheStoredRules)
{
    const CommaCase &c = GetParam();
    EXPECT_EQ(splitCommaText(c.text), c.items);
    if (c.joinsBack) {
        EXPECT_EQ(joinCommaText(c.items), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CommaText, ::testing::ValuesIn(commaCases),
                         [](const auto &info) { return std::string(info.param.name); });

class CatalogueTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    TExternApplications m_catalogue;
};

TEST_F(CatalogueTest, NewEntriesSaveAsTheExampleAndLoadBack)
{
    TExternApplication *app = addApplication(m_catalogue, "NewApp");
    addParam(*addCommand(*app, "NewCommand"), "NewParam", "");
    const QString file = path("new.ccc");
    ASSERT_TRUE(m_catalogue.SaveCatalogue(file).ok());

    const QByteArray example = "[Application_00]\r\n"
                               "Name=NewApp\r\n"
                               "Path=\r\n"
                               "Command00_Name=NewCommand\r\n"
                               "Command00_Param00_Name=NewParam\r\n"
                               "Command00_Param00_Type=\r\n"
                               "Command00_Param00_Text=\r\n"
                               "Command00_Param00_Opt1opts=\r\n"
                               "Command00_Param00_Opt2opts=\r\n";
    EXPECT_EQ(fileBytes(file), example);

    TExternApplications loaded;
    ASSERT_TRUE(loaded.LoadCatalogue(file).ok());
    ASSERT_TRUE(loaded.SaveCatalogue(path("again.ccc")).ok());
    EXPECT_EQ(fileBytes(path("again.ccc")), example);
    EXPECT_EQ(loaded.FileName(), path("again.ccc")); // a later plain save goes there
}

TEST_F(CatalogueTest, LoadStopsAtGapsAndFillsDefaults)
{
    const QString file = path("gaps.ccc");
    putFile(file, "[Application_00]\n"
                  "Path=/bin/sh\n"
                  "Command00_Name=Run\n"
                  "command00_param00_name=first\n"
                  "Command00_Param00_Type=Switch\n"
                  "Command00_Param01_Name=second\n"
                  "Command00_Param03_Name=after gap\n"
                  "Command02_Name=after gap\n"
                  "[Application_02]\n"
                  "Name=after gap\n");
    ASSERT_TRUE(m_catalogue.LoadCatalogue(file).ok());
    ASSERT_EQ(m_catalogue.Applications.count(), 1);
    const TExternApplication &app = *m_catalogue.Applications.item(0);
    EXPECT_EQ(app.Name, "Unknown_00");
    EXPECT_TRUE(app.PathExists());
    ASSERT_EQ(app.Commands.count(), 1);
    const TExternCommandParams &params = app.Commands.item(0)->Params;
    ASSERT_EQ(params.count(), 2);
    EXPECT_EQ(params.item(0)->Name, "first");
    EXPECT_EQ(params.item(0)->Type, "Switch");
    EXPECT_EQ(params.item(1)->Text, "");
    EXPECT_TRUE(m_catalogue.Loaded());
}

TEST_F(CatalogueTest, SaveAndLoadGiveBackEveryValueInOrder)
{
    for (int i = 0; i <= 100; ++i)
        addApplication(m_catalogue, QString::number(i));
    TExternApplication *app = m_catalogue.Applications.item(100);
    TExterncommand *command = addCommand(*app, "Cmd");
    TExternCommandParam *param = addParam(*command, "p", "Selectionlist_1", " -leading");
    param->Opt1opts = joinCommaText({"a b"});
    param->Opt2opts = QString(3000, u'x');
    addParam(*command, "q", "String");
    const QString file = path("many.ccc");
    ASSERT_TRUE(m_catalogue.SaveCatalogue(file).ok());

    TExternApplications loaded;
    ASSERT_TRUE(loaded.LoadCatalogue(file).ok());
    ASSERT_EQ(loaded.Applications.count(), 101);
    EXPECT_TRUE(IniFile(file).hasSection("Application_100"));
    const TExternApplication &back = *loaded.Applications.item(100);
    EXPECT_EQ(back.Name, "100");
    const TExternCommandParams &params = back.Commands.item(0)->Params;
    ASSERT_EQ(params.count(), 2);
    // The INI class quotes what the read rules would otherwise eat.
    EXPECT_EQ(params.item(0)->Text, " -leading");
    EXPECT_EQ(splitCommaText(params.item(0)->Opt1opts), QStringList{"a b"});
    EXPECT_EQ(params.item(0)->Opt2opts.size(), 3000); // long values come back whole
    EXPECT_EQ(params.item(1)->Name, "q");
}

TEST_F(CatalogueTest, SavingAfterDeletionLeavesNoSurplusAndKeepsOtherSections)
{
    const QString file = path("shrink.ccc");
    putFile(file, "[Other]\r\nKeep=1\r\n");
    for (const char *name : {"a", "b", "c"})
        addCommand(*addApplication(m_catalogue, name), "Cmd");
    ASSERT_TRUE(m_catalogue.SaveCatalogue(file).ok());
    m_catalogue.Applications.remove(0);
    m_catalogue.Applications.item(0)->Commands.remove(0);
    ASSERT_TRUE(m_catalogue.SaveCatalogue(file).ok());

    const IniFile ini(file);
    EXPECT_EQ(ini.sections(), (QStringList{"Other", "Application_00", "Application_01"}));
    EXPECT_FALSE(ini.hasKey("Application_00", "Command00_Name"));
    EXPECT_EQ(ini.readString("Application_01", "Name"), "c");
}

TEST_F(CatalogueTest, FailedLoadChangesNothing)
{
    addApplication(m_catalogue, "kept");
    const Result<> result = m_catalogue.LoadCatalogue(path("missing.ccc"));
    EXPECT_EQ(result.error(), "Fehler beim laden der Kommando-Datei !\r\nDatei nicht gefunden");
    EXPECT_EQ(m_catalogue.Applications.count(), 1);
    EXPECT_TRUE(m_catalogue.FileName().isEmpty());
    EXPECT_FALSE(m_catalogue.Loaded());
}

TEST_F(CatalogueTest, PathMarkMeansAProgramThatCanStartHere)
{
    putFile(path("plain.txt"), "x");
    putFile(path("tool.exe"), "x");
    QFile::setPermissions(path("tool.exe"), QFile::ReadOwner | QFile::ExeOwner);
    const struct
    {
        QString path;
        bool exists;
    } cases[] = {{"/bin/sh", true}, {"sh", true}, {path("plain.txt"), false},
                 {path("tool.exe"), false}, {path("missing"), false}, {"", false}};
    TExternApplication app;
    for (const auto &c : cases) {
        app.SetApplicationPath(c.path);
        EXPECT_EQ(app.PathExists(), c.exists) << c.path.toStdString();
    }
}

TEST_F(CatalogueTest, CopiesAreNamedByCommandCount)
{
    TExternApplication *app = addApplication(m_catalogue, "Convert", "/bin/sh");
    for (const char *name : {"Small", "Big", "Gray"})
        addParam(*addCommand(*app, name), "size", "Switch", "-resize");

    const auto copy = m_catalogue.CopyApplication(*app);
    EXPECT_EQ(copy->Name, "Kopie 03 Convert");
    EXPECT_EQ(copy->Path(), "/bin/sh");
    EXPECT_FALSE(copy->PathExists());
    ASSERT_EQ(copy->Commands.count(), 3);
    EXPECT_EQ(copy->Commands.item(2)->Name, "Gray");
    EXPECT_EQ(copy->Commands.item(0)->Params.item(0)->Text, "-resize");

    app->Commands.remove(2);
    EXPECT_EQ(app->CopyCommand(*app->Commands.item(0))->Name, "Kopie 02Small");
}

TEST(BuildCommandLine, GivesEachTypeItsPiece)
{
    TExternApplication app;
    app.SetApplicationPath("/usr/bin/convert");
    TExterncommand command;
    const QStringList types = storedTypeNames().split(u',');
    for (const QString &type : types)
        addParam(command, type, type, "-" + type.left(2));
    addParam(command, "odd", "Unknown", "-u");
    ParamValues values;
    for (int k = 0; k < command.Params.count(); ++k)
        values.append("v" + QString::number(k));
    values[1] = std::nullopt; // no control for the String parameter

    EXPECT_EQ(BuildCommandLine(app, command, values),
              "/usr/bin/convert -Sw v0 " // Switch
              " -Fi v3 -Di v4 v5 -Se v6 -Se v7   -Fo v9 -Fo v10 -Fo v11 -Fo v12");
    const TCommandstrings strings = BuildCommandstrings(app, command, values);
    EXPECT_EQ(strings.Names.first(), "Anwendung");
    EXPECT_EQ(strings.Types.first(), "Befehl");
    EXPECT_EQ(strings.Pieces.size(), command.Params.count() + 1);
    EXPECT_EQ(strings.Pieces[1], "-Sw v0");
}

TEST(BuildCommandLine, BuildsAResizeLineAndKeysValuesByPosition)
{
    TExternApplication app;
    app.SetApplicationPath("/usr/bin/convert");
    TExterncommand command;
    addParam(command, "size", "Switch", "-resize");
    addParam(command, "n", "Number");
    addParam(command, "out", "String");
    addParam(command, "out", "String");
    EXPECT_EQ(BuildCommandLine(app, command, {"50%", "7", "out.jpg", "second.jpg"}),
              "/usr/bin/convert -resize 50% out.jpg second.jpg");
    EXPECT_EQ(BuildCommandLine(app, command, {"50%"}), "/usr/bin/convert -resize 50%  ");
}

TEST(ParamTypes, NamesAndPlaceholdersAreTheStoredOnes)
{
    EXPECT_EQ(storedTypeNames(), "Switch,String,Number,FilePath,DirPath,Textmask,Selectionlist_1,"
                                 "Selectionlist_2,Selectionlist_3,Fontname,Fontstyle,Fontsize,Fontcolor");
    EXPECT_EQ(shownTypeNames(), "Schalter,Zeichenkette,Zahl,DateiPfad,Pfad,Textmaske,Auswahlliste_1,"
                                "Auswahlliste_2,Auswahlliste_3,Schriftart,Schriftstil,Schriftgroesse,"
                                "Schriftfarbe");
    EXPECT_EQ(paramTypeIndex("Fontcolor"), 12);
    EXPECT_EQ(paramTypeIndex("switch"), -1);
    ASSERT_EQ(placeholders().size(), 4);
    EXPECT_STREQ(placeholders()[3].caption, "EBVPFAD+MASKE");
    EXPECT_STREQ(placeholders()[3].token, "#EBVPATHMASK");
}

} // namespace
