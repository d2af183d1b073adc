#pragma once

#include "platform/scripteddialogs.h"
#include "postprocess/catalogue.h"
#include "ui/widgethelpers.h"

#include <QListWidget>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

// A catalogue to fill, scripted dialogs and a temporary folder for the command editor's
// window tests.
class CommandEditorTest : public ::testing::Test
{
protected:
    void SetUp() override { setAppDialogs(&m_dialogs); }
    void TearDown() override { setAppDialogs(nullptr); }

    TExternApplication *addApplication(const QString &name, const QString &path = {});
    TExterncommand *addCommand(TExternApplication &application, const QString &name);
    TExternCommandParam *addParam(TExterncommand &command, const QString &name, const QString &type,
                                  const QString &text = {}, const QString &opt1 = {},
                                  const QString &opt2 = {});
    QString path(const QString &name) const { return m_dir.filePath(name); }

    template<typename W>
    static W *child(const QWidget &window, const QString &name)
    {
        W *w = window.findChild<W *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    // What a click on a row does: it becomes current and the list reports the click.
    static void clickRow(QListWidget *list, int row)
    {
        list->setCurrentRow(row);
        emit list->itemClicked(list->item(row));
    }
    static QStringList texts(const QListWidget &list) { return itemTexts(list); }

    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
    TExternApplications m_catalogue;
};
