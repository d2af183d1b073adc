#pragma once

#include "platform/scripteddialogs.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

struct TProgramSettings;

// Every stored field away from its default.
TProgramSettings changedSettings();

// Fresh working settings, scripted dialogs, an exposure-compensation master table of 40
// entries ("-2", "0" and "+2" at 8, 16 and 24) and a temporary working folder.
class ConfigFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;
    static quint32 expCompCode(int index) { return 0x100 + quint32(index); }

    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
    QString m_oldCurrent;
};
