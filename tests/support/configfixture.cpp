#include "configfixture.h"

#include "camera/proptables.h"
#include "diagnostics/debuglog.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"

#include <QFile>

TProgramSettings changedSettings()
{
    TProgramSettings s;
    s.Debug = true;
    s.Savepath = QStringLiteral("/bilder/");
    s.Projektname = QStringLiteral("Hochzeit Meier");
    s.Filemask = QStringLiteral("#YEAR\\#PROJECT_#IMGNR");
    s.Prefix = QStringLiteral("pre");
    s.Einzelaufnahme = false;
    s.Bilderfolge = true;
    s.Belichtungsreihe = true;
    s.Zeitraffer = true;
    s.Aufnahmenanzahl = 25;
    s.IntervalStdText = QStringLiteral("3");
    s.IntervalMinText = QStringLiteral("45");
    s.IntervalSekText = QStringLiteral("05");
    s.Intervalstd = 3;
    s.Intervalmin = 45;
    s.Intervalsek = 5;
    s.ExpComp1 = QStringLiteral("-2");
    s.ExpComp2 = QStringLiteral("v9");
    s.ExpComp3 = QStringLiteral("+2");
    s.ShowAfterShoot = true;
    s.ShowIntern = true;
    s.ShowExtern = false;
    s.ExternViewerPath = QStringLiteral("/usr/bin/viewer");
    s.ExternViewerWindowTitle = QStringLiteral("Viewer");
    s.UseImageMagick = true;
    s.ImageMagickPath = QStringLiteral("/opt/im/");
    s.CreateBatch = true;
    s.ShowBatch = true;
    s.ImageMagickOutputpath = QStringLiteral("/out/");
    s.ImageMagickOverwriteOrigin = true;
    s.ImageMagickBatchPath = QStringLiteral("/batch/");
    s.ImageMagickBatchName = QStringLiteral("run.sh");
    s.ImageMagickCopyright = true;
    s.ImageMagickcopyrightimagepath = QStringLiteral("/c.png");
    s.ImageMagickCopyrightOrientation = QStringLiteral("SouthEast");
    s.ImageMagickcopyrightPosx = 11;
    s.ImageMagickcopyrightPosy = -12;
    s.ImageMagickThumbnails = true;
    s.ImageMagickthumbnailpath = QStringLiteral("/thumbs/");
    s.imageMagickthumbnailsize = QStringLiteral("320x200");
    s.imageMagickthumbnailprefix = QStringLiteral("T_");
    s.imagemagickthumbnailsizex = 320;
    s.imagemagickthumbnailsizeY = 200;
    s.ImagemagickTextmask = true;
    s.ImagemagickTextmaskstr = QStringLiteral("#PROJECT #AV");
    s.ImageMagickTextmaskPrefix = QStringLiteral("tm");
    s.ImagemagicktextmaskOrientationstr = QStringLiteral("West");
    s.Imagemagicktextmaskfontstr = QStringLiteral("DejaVu Sans");
    s.ImagemagicktextmaskposX = 5;
    s.ImagemagicktextmaskposY = 6;
    s.Imagemagicktextmaskfontsizestr = QStringLiteral("14");
    s.Imagemagicktextmaskfontcolorstr = QStringLiteral("RGB(1,2,3)");
    s.Imagemagicktextmaskpath = QStringLiteral("/tm/");
    s.Imagemagicktextmaskfilename = QStringLiteral("mask.gif");
    s.EnfusePath = QStringLiteral("/enfuse/");
    s.EnableEnfuse = true;
    s.EnfuseImages = 3;
    return s;
}

void ConfigFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    ProgramSettings() = TProgramSettings{};
    setAppDialogs(&m_dialogs);
    setDebugEnabled(false);
    resetPropertyTables();
    PropTable &table = MasterTable(CameraProperty::ExpComp);
    for (int i = 0; i < 40; ++i) {
        const QString name = i == 8 ? QStringLiteral("-2")
                           : i == 16 ? QStringLiteral("0")
                           : i == 24 ? QStringLiteral("+2")
                                     : QStringLiteral("v%1").arg(i);
        table.push_back(TPropList{name, expCompCode(i), true});
    }
    m_oldCurrent = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
}

void ConfigFixture::TearDown()
{
    QDir::setCurrent(m_oldCurrent);
    for (auto kind : {SettingsWindowKind::Capture, SettingsWindowKind::Viewer, SettingsWindowKind::ImageMagick,
                      SettingsWindowKind::Hdr})
        attachSettingsWindow(kind, nullptr);
    setConfigurationHooks({});
    setAppDialogs(nullptr);
    setDebugEnabled(false);
    resetPropertyTables();
    ProgramSettings() = TProgramSettings{};
}

QString ConfigFixture::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    return path(name);
}

QByteArray ConfigFixture::readFile(const QString &name) const
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
