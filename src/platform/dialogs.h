#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Every question, message and file, folder or font dialog of the program goes through
// Dialogs: Qt's dialogs in the program, scripted answers in tests. Used on the main thread.

// The program's title; it also captions the program's plain message boxes.
inline constexpr const char *ProgramCaption = "Tessaro für Canon EOS DSLR";

enum class DialogButton {
    None = 0,
    Ok = 0x01,
    Cancel = 0x02,
    Yes = 0x04,
    No = 0x08,
    Retry = 0x10,
    Ignore = 0x20,
    Abort = 0x40,
};
using DialogButtons = QFlags<DialogButton>;
Q_DECLARE_OPERATORS_FOR_FLAGS(DialogButtons)

enum class MessageIcon { None, Information, Warning, Error, Question };

struct FileDialogOptions
{
    QString caption;
    QString folder;     // where the dialog starts; empty means userFolder(UserFolder::Documents)
    QString fileName;   // proposed name
    // Pairs of shown text and patterns, all separated by "|": "*.ccf|*.CcF" or
    // "Bilder|*.jpg;*.jpeg|Alle|*". Patterns match without regard to letter case.
    QString filter;
    QString defaultExtension;  // appended to a typed name without one; "ccf", ".ccf" or "*ccf"
};

struct FontChoice
{
    QString family;
    int pointSize = 8;
    bool bold = false;
    bool italic = false;
    quint32 color = 0x000000;  // 0xRRGGBB
    bool operator==(const FontChoice &) const = default;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Returns the pressed button; closing the box gives the cancelling one of `buttons`.
    virtual DialogButton message(MessageIcon icon, const QString &caption, const QString &text,
                                 DialogButtons buttons) = 0;
    // Nothing when the user cancels.
    virtual std::optional<QString> inputText(const QString &caption, const QString &prompt,
                                             const QString &defaultText = {}) = 0;
    virtual std::optional<QString> openFile(const FileDialogOptions &options) = 0;
    virtual std::optional<QString> saveFile(const FileDialogOptions &options) = 0;
    // The chosen folder without a trailing separator.
    virtual std::optional<QString> chooseFolder(const QString &caption, const QString &startFolder) = 0;
    virtual std::optional<FontChoice> chooseFont(const QString &caption, const FontChoice &initial) = 0;

    // An OK box.
    void showMessage(const QString &caption, const QString &text, MessageIcon icon = MessageIcon::None);
    // Returns Yes or No.
    DialogButton askYesNo(const QString &caption, const QString &text,
                          MessageIcon icon = MessageIcon::Question);
    DialogButton askYesNoCancel(const QString &caption, const QString &text,
                                MessageIcon icon = MessageIcon::Question);
    DialogButton askCancelRetryIgnore(const QString &caption, const QString &text,
                                      MessageIcon icon = MessageIcon::Error);
};

// The dialogs in use. Until the program installs its own, every call is logged and answered
// as cancelled, so nothing ever waits for a user who is not there.
Dialogs &appDialogs();
// Installs dialogs (nullptr restores the default). The caller keeps ownership.
void setAppDialogs(Dialogs *dialogs);

// The answer that closing a box with these buttons gives: Cancel, else No, Abort, Ignore, Ok.
DialogButton cancellingButton(DialogButtons buttons);
QString buttonName(DialogButton button);

struct FileNameFilter
{
    QString label;
    QStringList patterns;
};
// Splits a filter of FileDialogOptions; a lone trailing text is its own pattern.
QList<FileNameFilter> parseFileFilter(const QString &filter);
// "*.CcF" -> "*.[cC][cC][fF]", for file systems that match case-sensitively.
QString caseInsensitivePattern(const QString &pattern);
// "*ccf", "*.ccf", ".ccf" -> "ccf"
QString plainExtension(const QString &defaultExtension);
