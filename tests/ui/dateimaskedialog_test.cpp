#include "camera/camerasettings.h"
#include "platform/clock.h"
#include "settings/programsettings.h"
#include "ui/dateimaskedialog.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class MaskDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setAppClock(&clock);
        savedCamera = CurrentSettings();
        savedProgram = ProgramSettings();
        CurrentSettings().Av.Name = QStringLiteral("8.0");
        CurrentSettings().ExpComp.Name = QStringLiteral("+ 1/3");
        ProgramSettings().Projektname = QStringLiteral("Hof");
        ProgramSettings().Prefix = QStringLiteral("old");
        ProgramSettings().ImageNumber = QStringLiteral("0815");
    }
    void TearDown() override
    {
        CurrentSettings() = savedCamera;
        ProgramSettings() = savedProgram;
        setAppClock(nullptr);
    }

    QLineEdit *edit(const char *name) { return dialog.findChild<QLineEdit *>(QLatin1String(name)); }
    void click(const char *name)
    {
        auto *button = dialog.findChild<QPushButton *>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }
    QString preview() { return edit("Dateinameedit")->text(); }

    ManualClock clock{QDateTime(QDate(2026, 5, 7), QTime(9, 4, 3))};
    TCamerasettings savedCamera;
    TProgramSettings savedProgram;
    TDateimaskeDialog dialog;
};

TEST_F(MaskDialogTest, EveryButtonAppendsItsTextAtTheEnd)
{
    const std::pair<const char *, const char *> buttons[] = {
        {"AemodeButton", "#AEMODE"},    {"AvButton", "#AV"},         {"TVButton", "#TV"},
        {"IsoButton", "#ISO"},          {"ExpCompButton", "#EXPCOMP"}, {"Weissabgleichbutton", "#WA"},
        {"QualiteatButten", "#QUAL"},   {"FormatButton", "#FORMAT"}, {"Tagbutton", "#DAY"},
        {"MonatButton", "#MONTH"},      {"JahrButton", "#YEAR"},     {"Stundebutton", "#HOUR"},
        {"Minutebutton", "#MINUTE"},    {"sekundebutton", "#SEKUNDE"}, {"Projektbutton", "#PROJECT"},
        {"PrefixButton", "#PREFIX"},    {"UnterstrichButton", "_"},  {"btPoint", "."},
        {"btDPoint", ":"},              {"Button1", "_"},            {"btSpace", " "},
        {"BackslashButton", "\\"},      {"imgNrButton", "#IMGNR"},   {"CommandCountButton", "#CC"},
    };
    dialog.setFields(QStringLiteral("A"), QString());
    edit("DateimaskeEdit")->setCursorPosition(0);
    QString expected = QStringLiteral("A");
    for (const auto &[name, appends] : buttons) {
        SCOPED_TRACE(name);
        click(name);
        expected += QLatin1String(appends);
        EXPECT_EQ(dialog.mask(), expected);
    }
    EXPECT_EQ(dialog.findChildren<QPushButton *>().size(), std::size(buttons) + 1);
}

TEST_F(MaskDialogTest, PreviewFollowsMaskAndPrefix)
{
    dialog.setFields(QStringLiteral("IMG"), QStringLiteral("p"));
    EXPECT_EQ(preview(), QStringLiteral("IMG"));

    click("JahrButton");
    click("BackslashButton");
    click("PrefixButton");
    click("imgNrButton");
    EXPECT_EQ(preview(), QStringLiteral("IMG2026\\p0815"));  // no extension, backslash kept

    edit("PrefixEdit")->setText(QStringLiteral("neu"));  // the prefix being typed
    EXPECT_EQ(preview(), QStringLiteral("IMG2026\\neu0815"));

    edit("DateimaskeEdit")->setText(QStringLiteral("#PROJECT #AV_#EXPCOMP"));
    EXPECT_EQ(preview(), QStringLiteral("Hof\u00A08.0_+\u00A01x3"));
    EXPECT_EQ(dialog.prefix(), QStringLiteral("neu"));
}

TEST_F(MaskDialogTest, ShowingRefreshesThePreview)
{
    dialog.setFields(QStringLiteral("#IMGNR#MINUTE"), QString());
    ProgramSettings().ImageNumber = QStringLiteral("0816");
    clock.advanceMs(60'000);
    dialog.show();
    EXPECT_EQ(preview(), QStringLiteral("081605"));
    dialog.hide();
}

TEST_F(MaskDialogTest, OkAccepts)
{
    dialog.setWindowModality(Qt::NonModal);
    dialog.show();
    click("OkButton");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Dateimaske"));
}

} // namespace
