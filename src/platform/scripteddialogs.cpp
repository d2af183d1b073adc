#include "platform/scripteddialogs.h"

#include <array>

namespace {

constexpr std::array<const char *, 6> kKindNames = {
    "message box", "input box", "open dialog", "save dialog", "folder dialog", "font dialog",
};

constexpr std::array<const char *, 5> kAnswerNames = {"a cancel", "a button", "a text", "a path", "a font"};

QString buttonList(DialogButtons buttons)
{
    QStringList names;
    for (int bit = 0; bit < 7; ++bit) {
        const auto button = DialogButton(1 << bit);
        if (buttons.testFlag(button))
            names.append(buttonName(button));
    }
    return names.join(u'|');
}

DialogCall fileCall(DialogKind kind, const FileDialogOptions &options)
{
    DialogCall call;
    call.kind = kind;
    call.caption = options.caption;
    call.file = options;
    return call;
}

} // namespace

QString DialogCall::toString() const
{
    QString s = QStringLiteral("%1 \"%2\"").arg(QLatin1String(kKindNames[size_t(kind)]), caption);
    if (!text.isEmpty())
        s += QStringLiteral(": ") + text;
    if (kind == DialogKind::Message)
        s += QStringLiteral(" [%1]").arg(buttonList(buttons));
    if (unexpected())
        s += QStringLiteral(" (unexpected: %1)").arg(problem);
    return s;
}

ScriptedDialogs &ScriptedDialogs::answer(DialogButton button)
{
    m_answers.append(button);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerText(const QString &text)
{
    m_answers.append(Text{text});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerPath(const QString &path)
{
    m_answers.append(Path{path});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerFont(const FontChoice &font)
{
    m_answers.append(font);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerCancel()
{
    m_answers.append(Cancel{});
    return *this;
}

QList<DialogCall> ScriptedDialogs::unexpectedCalls() const
{
    QList<DialogCall> result;
    for (const DialogCall &call : m_calls) {
        if (call.unexpected())
            result.append(call);
    }
    return result;
}

bool ScriptedDialogs::finished(QString *why) const
{
    QStringList problems;
    if (!m_answers.isEmpty())
        problems.append(QStringLiteral("%1 answer(s) never asked for").arg(m_answers.size()));
    for (const DialogCall &call : m_calls) {
        if (call.unexpected())
            problems.append(call.toString());
    }
    if (why)
        *why = problems.join(u'\n');
    return problems.isEmpty();
}

void ScriptedDialogs::clear()
{
    m_answers.clear();
    m_calls.clear();
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::take(DialogCall call)
{
    m_calls.append(std::move(call));
    if (m_answers.isEmpty())
        return std::nullopt;
    return m_answers.takeFirst();
}

template<typename T>
const T *ScriptedDialogs::fitting(const std::optional<Answer> &answer, const char *expected)
{
    if (!answer) {
        m_calls.last().problem = QStringLiteral("no answer left");
        return nullptr;
    }
    if (std::holds_alternative<Cancel>(*answer))
        return nullptr;
    if (const T *value = std::get_if<T>(&*answer))
        return value;
    m_calls.last().problem = QStringLiteral("the next answer is %1, not %2")
                                 .arg(QLatin1String(kAnswerNames[answer->index()]), QLatin1String(expected));
    return nullptr;
}

DialogButton ScriptedDialogs::message(MessageIcon icon, const QString &caption, const QString &text,
                                      DialogButtons buttons)
{
    DialogCall call;
    call.kind = DialogKind::Message;
    call.caption = caption;
    call.text = text;
    call.icon = icon;
    call.buttons = buttons;
    const std::optional<Answer> answer = take(std::move(call));
    const DialogButton *button = fitting<DialogButton>(answer, "a button");
    if (!button)
        return cancellingButton(buttons);
    if (!buttons.testFlag(*button)) {
        m_calls.last().problem = QStringLiteral("answer %1 is not among the buttons").arg(buttonName(*button));
        return cancellingButton(buttons);
    }
    return *button;
}

std::optional<QString> ScriptedDialogs::inputText(const QString &caption, const QString &prompt,
                                                  const QString &defaultText)
{
    DialogCall call;
    call.kind = DialogKind::InputText;
    call.caption = caption;
    call.text = prompt;
    call.defaultText = defaultText;
    const std::optional<Answer> answer = take(std::move(call));
    if (const Text *text = fitting<Text>(answer, "a text"))
        return text->text;
    return std::nullopt;
}

std::optional<QString> ScriptedDialogs::pathAnswer(DialogCall call)
{
    const std::optional<Answer> answer = take(std::move(call));
    if (const Path *path = fitting<Path>(answer, "a path"))
        return path->path;
    return std::nullopt;
}

std::optional<QString> ScriptedDialogs::openFile(const FileDialogOptions &options)
{
    return pathAnswer(fileCall(DialogKind::OpenFile, options));
}

std::optional<QString> ScriptedDialogs::saveFile(const FileDialogOptions &options)
{
    return pathAnswer(fileCall(DialogKind::SaveFile, options));
}

std::optional<QString> ScriptedDialogs::chooseFolder(const QString &caption, const QString &startFolder)
{
    DialogCall call;
    call.kind = DialogKind::ChooseFolder;
    call.caption = caption;
    call.startFolder = startFolder;
    return pathAnswer(std::move(call));
}

std::optional<FontChoice> ScriptedDialogs::chooseFont(const QString &caption, const FontChoice &initial)
{
    DialogCall call;
    call.kind = DialogKind::ChooseFont;
    call.caption = caption;
    call.font = initial;
    const std::optional<Answer> answer = take(std::move(call));
    if (const FontChoice *font = fitting<FontChoice>(answer, "a font"))
        return *font;
    return std::nullopt;
}
