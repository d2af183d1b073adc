#include "configfixture.h"

#include "camera/proptables.h"
#include "diagnostics/debuglog.h"
#include "settings/configuration.h"
#include "settings/programsettings.h"

#include <QFile>

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
