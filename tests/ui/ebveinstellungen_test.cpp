#include "configfixture.h"
#include "namedchild.h"
#include "messagerecorder.h"

#include "settings/configuration.h"
#include "settings/programsettings.h"
#include "ui/ebveinstellungen.h"
#include "ui/fhdroptions.h"
#include "ui/imagemagickconfigform.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <memory>

namespace {

class EbvWindowsTest : public ConfigFixture
{
protected:
    void SetUp() override
    {
        ConfigFixture::SetUp();
        m_magick = std::make_unique<TImageMagickConfigForm>();
        m_hdr = std::make_unique<TFHdrOptions>();
        m_ebv = std::make_unique<TEBVeinstellungen>();
        m_ebv->setPages(m_magick.get(), m_hdr.get());
        attachSettingsWindow(SettingsWindowKind::ImageMagick, m_magick.get());
        attachSettingsWindow(SettingsWindowKind::Hdr, m_hdr.get());
    }
    void TearDown() override
    {
        // The EBV window goes first and gives the embedded windows back.
        m_ebv.reset();
        m_hdr.reset();
        m_magick.reset();
        ConfigFixture::TearDown();
    }

    QLineEdit *hdrEdit(const char *name) const { return namedChild<QLineEdit>(m_hdr.get(), name); }
    QTabWidget *tabs() const { return namedChild<QTabWidget>(m_ebv.get(), "PCEBV"); }

    std::unique_ptr<TImageMagickConfigForm> m_magick;
    std::unique_ptr<TFHdrOptions> m_hdr;
    std::unique_ptr<TEBVeinstellungen> m_ebv;
};

} // namespace

TEST_F(EbvWindowsTest, ShowingPlacesBothWindowsInTheTabsWithTheStoredValues)
{
    ProgramSettings().EnfusePath = QStringLiteral("/opt/enfuse/");
    ProgramSettings().EnableEnfuse = true;
    ProgramSettings().EnfuseImages = 3;
    EXPECT_EQ(m_ebv->windowTitle(), "EBV-einstellungen");
    EXPECT_EQ(tabs()->tabText(1), "HDR");

    m_ebv->show();
    ASSERT_EQ(tabs()->count(), 2);
    EXPECT_EQ(tabs()->tabText(0), "Imagemagick");
    EXPECT_EQ(tabs()->tabText(1), "HDR Optionen");
    EXPECT_EQ(m_magick->parentWidget(), namedChild<QWidget>(m_ebv.get(), "TSImagemagick"));
    EXPECT_EQ(m_hdr->parentWidget(), namedChild<QWidget>(m_ebv.get(), "TSHdr"));
    EXPECT_FALSE(m_magick->isWindow());
    EXPECT_TRUE(m_magick->isVisible());
    EXPECT_TRUE(m_magick->armed());
    EXPECT_NE(namedChild<QWidget>(m_ebv.get(), "PA_EBVMainSet"), nullptr);

    EXPECT_EQ(hdrEdit("EnfusePathEdit")->text(), "/opt/enfuse/");
    EXPECT_TRUE(namedChild<QCheckBox>(m_hdr.get(), "ActivateEnfuseCheckbox")->isChecked());
    EXPECT_EQ(hdrEdit("EnfuseImagesEdit")->text(), "3");
}

TEST_F(EbvWindowsTest, ClosingStoresBothWindowsAndReopeningShowsThem)
{
    m_ebv->show();
    hdrEdit("EnfuseImagesEdit")->setText(QStringLiteral("5"));
    namedChild<QCheckBox>(m_hdr.get(), "ActivateEnfuseCheckbox")->setChecked(true);
    namedChild<QLineEdit>(m_magick.get(), "BatchNameedit")->setText(QStringLiteral("serie.sh"));
    // Switching tabs keeps what was typed.
    tabs()->setCurrentIndex(1);
    tabs()->setCurrentIndex(0);
    EXPECT_EQ(hdrEdit("EnfuseImagesEdit")->text(), "5");

    EXPECT_TRUE(m_ebv->close());
    EXPECT_FALSE(m_magick->armed());
    EXPECT_EQ(ProgramSettings().EnfuseImages, 5);
    EXPECT_TRUE(ProgramSettings().EnableEnfuse);
    EXPECT_EQ(ProgramSettings().ImageMagickBatchName, "serie.sh");

    hdrEdit("EnfuseImagesEdit")->setText(QStringLiteral("9"));
    m_ebv->show();
    // Each is shown in its tab again, the HDR window behind the first tab.
    EXPECT_TRUE(m_magick->isVisible());
    EXPECT_FALSE(m_hdr->isHidden());
    EXPECT_EQ(hdrEdit("EnfuseImagesEdit")->text(), "5");
    EXPECT_TRUE(m_dialogs.calls().isEmpty());
}

TEST_F(EbvWindowsTest, ImageCountThatIsNoNumberKeepsTheValueAndTheWindowOpen)
{
    ProgramSettings().EnfuseImages = 4;
    m_ebv->show();
    hdrEdit("EnfuseImagesEdit")->setText(QStringLiteral("viele"));
    hdrEdit("EnfusePathEdit")->setText(QStringLiteral("/anders/"));
    EXPECT_FALSE(m_ebv->close());
    EXPECT_TRUE(m_ebv->isVisible());
    EXPECT_FALSE(m_hdr->isHidden());
    EXPECT_TRUE(m_magick->isVisible());
    EXPECT_EQ(ProgramSettings().EnfuseImages, 4);
    EXPECT_EQ(ProgramSettings().EnfusePath, "");
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_TRUE(m_dialogs.calls()[0].text.contains("viele"));
    EXPECT_FALSE(HdrSettingsFromWindow());
}

TEST_F(EbvWindowsTest, HdrWindowOfItsOwnShowsTheStoredValuesAndBrowsesForTheFolder)
{
    ProgramSettings().EnfuseImages = 2;
    m_hdr->show();
    EXPECT_EQ(hdrEdit("EnfuseImagesEdit")->text(), "2");

    hdrEdit("EnfusePathEdit")->setText(QStringLiteral("/opt"));
    m_dialogs.answerPath(QStringLiteral("/opt/enfuse"));
    namedChild<QPushButton>(m_hdr.get(), "ImageMagickPathBrowseButton")->click();
    ASSERT_EQ(m_dialogs.calls().size(), 1);
    EXPECT_EQ(m_dialogs.calls()[0].startFolder, "/opt");
    EXPECT_EQ(hdrEdit("EnfusePathEdit")->text(), "/opt/enfuse/");

    // Saving while the window is open stores what it shows.
    ASSERT_TRUE(SaveConfiguration(path("a.ccf")));
    EXPECT_TRUE(readFile("a.ccf").contains("[Enfuse]\r\nEnfusePath=/opt/enfuse/\r\nEnableEnfuse=0\r\nEnfuseImages=2\r\n"));
}
