#include "platform/dialogs.h"

#include <QDebug>

#include <array>
#include <utility>

namespace {

// Quiet stand-in until the program installs real dialogs.
class UnattendedDialogs : public Dialogs
{
public:
    DialogButton message(MessageIcon, const QString &caption, const QString &text,
                         DialogButtons buttons) override
    {
        qWarning().noquote() << "No dialogs installed; message box" << caption << "-" << text;
        return cancellingButton(buttons);
    }
    std::optional<QString> inputText(const QString &caption, const QString &prompt, const QString &) override
    {
        qWarning().noquote() << "No dialogs installed; input box" << caption << "-" << prompt;
        return std::nullopt;
    }
    std::optional<QString> openFile(const FileDialogOptions &options) override
    {
        qWarning().noquote() << "No dialogs installed; open dialog" << options.caption;
        return std::nullopt;
    }
    std::optional<QString> saveFile(const FileDialogOptions &options) override
    {
        qWarning().noquote() << "No dialogs installed; save dialog" << options.caption;
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(const QString &caption, const QString &) override
    {
        qWarning().noquote() << "No dialogs installed; folder dialog" << caption;
        return std::nullopt;
    }
    std::optional<FontChoice> chooseFont(const QString &caption, const FontChoice &) override
    {
        qWarning().noquote() << "No dialogs installed; font dialog" << caption;
        return std::nullopt;
    }
};

Dialogs *g_dialogs = nullptr;

constexpr std::array<std::pair<DialogButton, const char *>, 7> kButtonNames = {{
    {DialogButton::Cancel, "Cancel"},
    {DialogButton::No, "No"},
    {DialogButton::Abort, "Abort"},
    {DialogButton::Ignore, "Ignore"},
    {DialogButton::Ok, "Ok"},
    {DialogButton::Retry, "Retry"},
    {DialogButton::Yes, "Yes"},
}};

} // namespace

void Dialogs::showMessage(const QString &caption, const QString &text, MessageIcon icon)
{
    message(icon, caption, text, DialogButton::Ok);
}

DialogButton Dialogs::askYesNo(const QString &caption, const QString &text, MessageIcon icon)
{
    return message(icon, caption, text, DialogButton::Yes | DialogButton::No);
}

DialogButton Dialogs::askYesNoCancel(const QString &caption, const QString &text, MessageIcon icon)
{
    return message(icon, caption, text, DialogButton::Yes | DialogButton::No | DialogButton::Cancel);
}

DialogButton Dialogs::askCancelRetryIgnore(const QString &caption, const QString &text, MessageIcon icon)
{
    return message(icon, caption, text, DialogButton::Cancel | DialogButton::Retry | DialogButton::Ignore);
}

Dialogs &appDialogs()
{
    static UnattendedDialogs unattended;
    return g_dialogs ? *g_dialogs : unattended;
}

void setAppDialogs(Dialogs *dialogs) { g_dialogs = dialogs; }

DialogButton cancellingButton(DialogButtons buttons)
{
    // kButtonNames lists the buttons from the most to the least cancelling.
    for (const auto &[button, name] : kButtonNames) {
        if (buttons.testFlag(button))
            return button;
    }
    return DialogButton::None;
}

QString buttonName(DialogButton button)
{
    for (const auto &[b, name] : kButtonNames) {
        if (b == button)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("None");
}

QList<FileNameFilter> parseFileFilter(const QString &filter)
{
    QList<FileNameFilter> filters;
    if (filter.isEmpty())
        return filters;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString &label = parts[i];
        const QString patterns = i + 1 < parts.size() ? parts[i + 1] : label;
        filters.append({label, patterns.split(u';', Qt::SkipEmptyParts)});
    }
    return filters;
}

QString caseInsensitivePattern(const QString &pattern)
{
    QString result;
    bool inBracket = false;  // a bracket expression is kept as written
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (c == u'[')
            inBracket = true;
        else if (c == u']')
            inBracket = false;
        if (inBracket || c == u']' || lower == upper)
            result += c;
        else
            result += u'[' + QString(lower) + QString(upper) + u']';
    }
    return result;
}

QString plainExtension(const QString &defaultExtension)
{
    QString ext = defaultExtension.trimmed();
    while (ext.startsWith(u'*') || ext.startsWith(u'.'))
        ext.remove(0, 1);
    return ext;
}
