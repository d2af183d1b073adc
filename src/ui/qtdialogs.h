#pragma once

#include "platform/dialogs.h"

#include <QPointer>

class QWidget;

// The program's dialogs: Qt's message, input, file, folder, font and colour dialogs, modal
// over the given window (or the active one). Where nobody can answer (Qt's offscreen
// platform) each one writes "caption: text" to standard error and gives the cancelling answer.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget *parent = nullptr);

    // True on Qt's offscreen platform, where a modal dialog would wait for ever.
    static bool headless();
    // Whether the dialogs answer themselves; headless() unless set.
    void setUnattended(bool unattended) { m_unattended = unattended; }

    DialogButton message(MessageIcon icon, const QString &caption, const QString &text,
                         DialogButtons buttons) override;
    std::optional<QString> inputText(const QString &caption, const QString &prompt,
                                     const QString &defaultText) override;
    std::optional<QString> openFile(const FileDialogOptions &options) override;
    std::optional<QString> saveFile(const FileDialogOptions &options) override;
    std::optional<QString> chooseFolder(const QString &caption, const QString &startFolder) override;
    // The font dialog, then a colour dialog for the font's colour (the font dialog has none);
    // cancelling the colour keeps the initial colour.
    std::optional<FontChoice> chooseFont(const QString &caption, const FontChoice &initial) override;

    // Qt's name filters for a filter of FileDialogOptions, matching in any letter case.
    static QStringList nameFilters(const QString &filter);

private:
    QWidget *parentWidget() const;
    std::optional<QString> runFileDialog(const FileDialogOptions &options, bool save);
    static void tellStderr(const QString &caption, const QString &text);

    QPointer<QWidget> m_parent;
    bool m_unattended = headless();
};
