#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QString>

#include <optional>
#include <variant>

enum class DialogKind { Message, InputText, OpenFile, SaveFile, ChooseFolder, ChooseFont };

// One question asked of ScriptedDialogs, with everything the caller passed.
struct DialogCall
{
    DialogKind kind = DialogKind::Message;
    QString caption;
    QString text;  // message text or input prompt
    MessageIcon icon = MessageIcon::None;
    DialogButtons buttons;
    QString defaultText;            // input box
    FileDialogOptions file;         // open and save dialogs
    QString startFolder;            // folder dialog
    FontChoice font;                // font dialog: the initial font
    QString problem;                // why the call was unexpected; empty if it was answered

    bool unexpected() const { return !problem.isEmpty(); }
    QString toString() const;
};

// Dialogs for tests: answers from a queue, in order. Every call is recorded. A call with no
// fitting answer left is marked unexpected and gets the cancelling answer; nothing blocks.
class ScriptedDialogs : public Dialogs
{
public:
    ScriptedDialogs &answer(DialogButton button);      // a message box
    ScriptedDialogs &answerText(const QString &text);  // an input box
    ScriptedDialogs &answerPath(const QString &path);  // an open, save or folder dialog
    ScriptedDialogs &answerFont(const FontChoice &font);
    ScriptedDialogs &answerCancel();                   // cancels whatever is asked

    const QList<DialogCall> &calls() const { return m_calls; }
    QList<DialogCall> unexpectedCalls() const;
    qsizetype pendingAnswers() const { return m_answers.size(); }
    // Every answer used and no unexpected call; otherwise a description for the test output.
    bool finished(QString *why = nullptr) const;
    void clear();

    DialogButton message(MessageIcon icon, const QString &caption, const QString &text,
                         DialogButtons buttons) override;
    std::optional<QString> inputText(const QString &caption, const QString &prompt,
                                     const QString &defaultText) override;
    std::optional<QString> openFile(const FileDialogOptions &options) override;
    std::optional<QString> saveFile(const FileDialogOptions &options) override;
    std::optional<QString> chooseFolder(const QString &caption, const QString &startFolder) override;
    std::optional<FontChoice> chooseFont(const QString &caption, const FontChoice &initial) override;

private:
    struct Cancel {};
    struct Path { QString path; };
    struct Text { QString text; };
    using Answer = std::variant<Cancel, DialogButton, Text, Path, FontChoice>;

    // Records the call and takes the next answer; nothing when there is none.
    std::optional<Answer> take(DialogCall call);
    std::optional<QString> pathAnswer(DialogCall call);
    template<typename T>
    const T *fitting(const std::optional<Answer> &answer, const char *expected);

    QList<Answer> m_answers;
    QList<DialogCall> m_calls;
};
