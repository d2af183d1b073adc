#include "platform/dialogs.h"

#include <gtest/gtest.h>

TEST(Dialogs, CancellingButtonOfEachSet)
{
    using B = DialogButton;
    const struct
    {
        DialogButtons buttons;
        DialogButton expected;
    } cases[] = {
        {B::Ok, B::Ok},
        {B::Ok | B::Cancel, B::Cancel},
        {B::Yes | B::No, B::No},
        {B::Yes | B::No | B::Cancel, B::Cancel},
        {B::Cancel | B::Retry | B::Ignore, B::Cancel},
        {B::Abort | B::Retry | B::Ignore, B::Abort},
        {B::Retry | B::Ignore, B::Ignore},
        {{}, B::None},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cancellingButton(c.buttons), c.expected) << c.buttons.toInt();
}

TEST(Dialogs, FileFilterPairsAndCaseBlindPatterns)
{
    const QList<FileNameFilter> filters = parseFileFilter("Bilder|*.jpg;*.JPEG|*.ccc Commandofile|*.ccc|Rest");
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(filters[0].label, "Bilder");
    EXPECT_EQ(filters[0].patterns, (QStringList{"*.jpg", "*.JPEG"}));
    EXPECT_EQ(filters[1].label, "*.ccc Commandofile");
    EXPECT_EQ(filters[1].patterns, QStringList{"*.ccc"});
    EXPECT_EQ(filters[2].patterns, QStringList{"Rest"});
    EXPECT_TRUE(parseFileFilter({}).isEmpty());

    EXPECT_EQ(caseInsensitivePattern("*.CcF"), "*.[cC][cC][fF]");
    EXPECT_EQ(caseInsensitivePattern("Ä_1?"), "[äÄ]_1?");
    EXPECT_EQ(caseInsensitivePattern("*.[jJ]pg"), "*.[jJ][pP][gG]") << "bracket expressions stay";

    for (const char *ext : {"*ccf", "*.ccf", ".ccf", "ccf", " *.ccf "})
        EXPECT_EQ(plainExtension(ext), "ccf") << ext;
}

TEST(Dialogs, WithoutInstalledDialogsEveryQuestionIsCancelled)
{
    setAppDialogs(nullptr);
    Dialogs &d = appDialogs();
    EXPECT_EQ(d.askYesNoCancel("Frage", "Weiter?"), DialogButton::Cancel);
    EXPECT_EQ(d.askYesNo("Frage", "Weiter?"), DialogButton::No);
    EXPECT_FALSE(d.inputText("Eingabe", "Name?"));
    EXPECT_FALSE(d.openFile({}));
    EXPECT_FALSE(d.saveFile({}));
    EXPECT_FALSE(d.chooseFolder("Ordner", "/"));
    EXPECT_FALSE(d.chooseFont("Schrift", {}));
}
