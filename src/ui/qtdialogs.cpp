#include "ui/qtdialogs.h"

#include "platform/userfolders.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

#include <array>
#include <cstdio>
#include <utility>

namespace {

constexpr std::array<std::pair<DialogButton, QMessageBox::StandardButton>, 7> kButtons = {{
    {DialogButton::Ok, QMessageBox::Ok},
    {DialogButton::Cancel, QMessageBox::Cancel},
    {DialogButton::Yes, QMessageBox::Yes},
    {DialogButton::No, QMessageBox::No},
    {DialogButton::Retry, QMessageBox::Retry},
    {DialogButton::Ignore, QMessageBox::Ignore},
    {DialogButton::Abort, QMessageBox::Abort},
}};

constexpr std::array<QMessageBox::Icon, 5> kIcons = {
    QMessageBox::NoIcon, QMessageBox::Information, QMessageBox::Warning, QMessageBox::Critical,
    QMessageBox::Question,
};

QMessageBox::StandardButtons toQt(DialogButtons buttons)
{
    QMessageBox::StandardButtons result;
    for (const auto &[ours, qt] : kButtons) {
        if (buttons.testFlag(ours))
            result |= qt;
    }
    return result;
}

DialogButton fromQt(int qt)
{
    for (const auto &[ours, theirs] : kButtons) {
        if (theirs == qt)
            return ours;
    }
    return DialogButton::None;
}

QString startFolder(const QString &folder) { return folder.isEmpty() ? userFolder(UserFolder::Documents) : folder; }

} // namespace

QtDialogs::QtDialogs(QWidget *parent) : m_parent(parent) {}

bool QtDialogs::headless()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void QtDialogs::tellStderr(const QString &caption, const QString &text)
{
    std::fputs((caption + QStringLiteral(": ") + text + QLatin1Char('\n')).toLocal8Bit().constData(),
               stderr);
    std::fflush(stderr);
}

QWidget *QtDialogs::parentWidget() const
{
    return m_parent ? m_parent.data() : QApplication::activeWindow();
}

DialogButton QtDialogs::message(MessageIcon icon, const QString &caption, const QString &text,
                                DialogButtons buttons)
{
    if (!buttons)
        buttons = DialogButton::Ok;
    if (m_unattended) {
        tellStderr(caption, text);
        return cancellingButton(buttons);
    }
    QMessageBox box(kIcons[size_t(icon)], caption, text, toQt(buttons), parentWidget());
    const DialogButton pressed = fromQt(box.exec());
    return buttons.testFlag(pressed) ? pressed : cancellingButton(buttons);
}

std::optional<QString> QtDialogs::inputText(const QString &caption, const QString &prompt,
                                            const QString &defaultText)
{
    if (m_unattended) {
        tellStderr(caption, prompt);
        return std::nullopt;
    }
    QInputDialog dialog(parentWidget());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QStringList QtDialogs::nameFilters(const QString &filter)
{
    QStringList result;
    for (const FileNameFilter &f : parseFileFilter(filter)) {
        QStringList patterns;
        for (const QString &p : f.patterns)
            patterns.append(caseInsensitivePattern(p));
        result.append(QStringLiteral("%1 (%2)").arg(f.label, patterns.join(u' ')));
    }
    return result;
}

std::optional<QString> QtDialogs::runFileDialog(const FileDialogOptions &options, bool save)
{
    if (m_unattended) {
        const QString fallback = save ? QStringLiteral("Speichern") : QStringLiteral("Öffnen");
        tellStderr(options.caption.isEmpty() ? fallback : options.caption, options.fileName);
        return std::nullopt;
    }
    QFileDialog dialog(parentWidget(), options.caption, startFolder(options.folder));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The shown texts carry the patterns already; the case-blind patterns only confuse.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = nameFilters(options.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(plainExtension(options.defaultExtension));
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

std::optional<QString> QtDialogs::openFile(const FileDialogOptions &options)
{
    return runFileDialog(options, false);
}

std::optional<QString> QtDialogs::saveFile(const FileDialogOptions &options)
{
    return runFileDialog(options, true);
}

std::optional<QString> QtDialogs::chooseFolder(const QString &caption, const QString &start)
{
    if (m_unattended) {
        tellStderr(caption, start);
        return std::nullopt;
    }
    const QString folder = QFileDialog::getExistingDirectory(parentWidget(), caption, startFolder(start));
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(QDir::cleanPath(folder));
}

std::optional<FontChoice> QtDialogs::chooseFont(const QString &caption, const FontChoice &initial)
{
    if (m_unattended) {
        tellStderr(caption, initial.family);
        return std::nullopt;
    }
    QFont font(initial.family);
    if (initial.pointSize > 0)
        font.setPointSize(initial.pointSize);
    font.setBold(initial.bold);
    font.setItalic(initial.italic);
    bool ok = false;
    font = QFontDialog::getFont(&ok, font, parentWidget(), caption);
    if (!ok)
        return std::nullopt;

    FontChoice choice{font.family(), font.pointSize(), font.bold(), font.italic(), initial.color};
    const QColor color = QColorDialog::getColor(QColor::fromRgb(initial.color), parentWidget(), caption);
    if (color.isValid())
        choice.color = color.rgb() & 0xFFFFFF;
    return choice;
}
