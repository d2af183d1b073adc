#pragma once

#include "camera/proptables.h"
#include "scripting/scriptwindowview.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class ExternCommandSource;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QsciAPIs;
class QsciScintilla;
class ScriptRunner;
class TExternApplications;
struct TBuiltCommand;

// Script window: edits, loads, saves, runs and stops scripts, runs single commands and shows
// the output of scripts and external commands. Created at start and kept for the whole run.
class TFScripter : public QWidget, public ScriptWindowView
{
public:
    enum class InsertTarget { None, Editor, Commandline };

    // What the window reads of the rest of the program besides the settings and tables.
    struct Sources
    {
        // The camera's current code of a property, -1 when unknown.
        std::function<qint64(CameraProperty)> cameraValue;
        // Bild(0,0,eigenschaft) of the script host now.
        std::function<QString(const QString &eigenschaft)> pictureValue;
        // The mask dialog, started with empty mask and prefix; nothing when cancelled.
        std::function<std::optional<QString>()> chooseMask;
    };

    explicit TFScripter(QWidget *parent = nullptr);
    ~TFScripter() override;

    void setRunner(ScriptRunner *runner) { m_runner = runner; }
    void setSources(Sources sources);
    // The command editor: builds commands for the "EBV Befehl" macro and is shown by "Einrichten".
    void setCommandEditor(ExternCommandSource *source, QWidget *window);
    // The program's catalogue, whose queue "nachträglich abarbeiten" and Button1 use.
    void setCatalogue(TExternApplications *catalogue) { m_catalogue = catalogue; }

    // Message 1030: one line of an external command's output.
    void AppendCommandOutput(const QString &text) { appendOutput(text); }

    // Closing the program while a script runs: returns false when none runs (close now);
    // otherwise stops the script and calls `close` once the run has unwound.
    bool requestStopAndClose(std::function<void()> close);

    // A script file given on the program's command line. False (and nothing changed) when it
    // cannot be read; the reason is shown.
    bool LoadScriptFile(const QString &path);
    bool modified() const { return m_modified; }
    InsertTarget insertTarget() const { return m_target; }
    QStringList history() const { return m_history; }

    // ScriptWindowView
    void clearOutput() override;
    void appendOutput(const QString &line) override;
    QStringList outputLines() const override { return m_output; }
    void setOutputLines(const QStringList &lines) override;
    QString currentFileName() const override { return m_fileName; }
    void moveCaretTo(int line, int column) override;
    void setCaption(const QString &caption) override { setWindowTitle(caption); }
    QString askLine(const QString &question) override;
    void loadScript(const QString &text, const QString &fileName) override;

    QWidget *Panel1 = nullptr;
    QListWidget *lbAddCom = nullptr;
    QLabel *ledx = nullptr;
    QLabel *ledy = nullptr;
    QPushButton *Startbutton = nullptr;
    QPushButton *Stopbutton = nullptr;
    QPushButton *Button1 = nullptr;
    QsciScintilla *HLEditor1 = nullptr;
    QLineEdit *singleedit = nullptr;
    QPlainTextEdit *Memo2 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *makePanel();
    QWidget *makeTopBar();
    void makeEditor();
    void makeMenu();
    QPushButton *makeValueButton(const char *name, const QString &caption);

    void run(const QString &text, bool withMessageProcessing);
    bool busy() const;
    void StartbuttonClick();
    void StopClick();
    void Button1Click();
    void EinrichtenClick();
    void NachtraeglichClick();

    void singleeditEnter(bool withMessageProcessing = true);
    void historyStep(int step);
    void deliver(InsertTarget target, const QString &text);
    void deliver(const QString &text) { deliver(m_target, text); }
    void allButtonClick();
    void valueButtonClick(CameraProperty property, const char *name);
    void fillValueBox(QComboBox *box, CameraProperty property);
    void lbAddComRun();
    void makeMacros();
    void ebvCommandMacro();
    std::optional<QString> folderSetting(const char *name, const QString &startFolder);

    bool unsavedCheck();
    void NewClick();
    void OpenClick();
    bool SaveClick();
    bool SaveAsClick();
    bool saveTo(const QString &path);
    void setEditorText(const QString &text);
    void showCaret();

    QsciAPIs *m_apis = nullptr;
    ScriptRunner *m_runner = nullptr;
    ExternCommandSource *m_commandSource = nullptr;
    QWidget *m_commandEditorWindow = nullptr;
    TExternApplications *m_catalogue = nullptr;
    Sources m_sources;
    QString m_fileName;
    bool m_modified = false;
    InsertTarget m_target = InsertTarget::None;
    QStringList m_history;
    int m_historyIndex = 1;
    QStringList m_output; // the lines of Memo2
    int m_runDepth = 0;
    std::function<void()> m_closeAfterRun;
    QTimer *m_closeWatch = nullptr;
    // What each macro key produces; nothing when cancelled or when the key does nothing.
    QHash<QString, std::function<std::optional<QString>()>> m_macros;
};
