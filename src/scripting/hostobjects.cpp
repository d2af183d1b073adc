#include "scripting/scripthost.h"

#include "pascal/engine.h"

#include "scripting/scriptwindowview.h"
#include "scripting/scripttext.h"

#include <QCoreApplication>

namespace {

QString joinedLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

QStringList splitText(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

} // namespace

void ScriptHost::registerHostObjects(pascal::Executor &ex)
{
    // Memo2 and its Lines are one object: the output window.
    void *memo = &m_view;
    void *form = this;
    void *application = &m_applicationTitle;
    ScriptWindowView &view = *m_view;
    const auto lineIndex = [&view](pascal::HostCall &c) -> qsizetype {
        const qint64 i = c.integer(1);
        if (i < 0 || i >= view.outputLines().size()) {
            c.raise("List index (" + std::to_string(i) + ") out of bounds");
            return -1;
        }
        return qsizetype(i);
    };
    ex.registerFunction("TMemo.Lines", [](pascal::HostCall &c) { c.returnObject(c.object(0)); });
    ex.registerFunction("TStrings.Add", [&view](pascal::HostCall &c) { view.appendOutput(str(c, 1)); });
    ex.registerFunction("TStrings.Clear", [&view](pascal::HostCall &) { view.clearOutput(); });
    ex.registerFunction("TMemo.Clear", [&view](pascal::HostCall &) { view.clearOutput(); });
    ex.registerFunction("TStrings.Count", [&view](pascal::HostCall &c) { c.returnInteger(view.outputLines().size()); });
    const auto text = [&view](pascal::HostCall &c) { returnText(c, joinedLines(view.outputLines())); };
    const auto setText = [&view](pascal::HostCall &c) { view.setOutputLines(splitText(str(c, 1))); };
    ex.registerFunction("TStrings.Text", text);
    ex.registerFunction("TMemo.Text", text);
    ex.registerFunction("TStrings.Text:=", setText);
    ex.registerFunction("TMemo.Text:=", setText);
    ex.registerFunction("TStrings.Strings", [&view, lineIndex](pascal::HostCall &c) {
        const qsizetype i = lineIndex(c);
        if (i >= 0)
            returnText(c, view.outputLines().at(i));
    });
    ex.registerFunction("TStrings.Strings:=", [&view, lineIndex](pascal::HostCall &c) {
        const qsizetype i = lineIndex(c);
        if (i < 0)
            return;
        QStringList lines = view.outputLines();
        lines[i] = str(c, 2);
        view.setOutputLines(lines);
    });
    ex.registerFunction("TControl.Caption", [this, form](pascal::HostCall &c) {
        returnText(c, c.object(0) == form ? m_caption : QStringLiteral("Memo2"));
    });
    ex.registerFunction("TControl.Caption:=", [this, form](pascal::HostCall &c) {
        if (c.object(0) != form)
            return;
        m_caption = str(c, 1);
        m_view->setCaption(m_caption);
    });
    ex.registerFunction("TApplication.ProcessMessages", [](pascal::HostCall &) { QCoreApplication::processEvents(); });
    ex.registerFunction("TApplication.Title", [this](pascal::HostCall &c) { returnText(c, m_applicationTitle); });
    ex.registerFunction("TApplication.Title:=", [this](pascal::HostCall &c) { m_applicationTitle = str(c, 1); });
    ex.registerFunction("TObject.ClassName", [memo, form](pascal::HostCall &c) {
        const void *o = c.object(0);
        c.returnString(o == memo ? "TMemo" : o == form ? "TForm" : "TApplication");
    });
    ex.bindVariable("Memo2", memo);
    ex.bindVariable("Self", form);
    ex.bindVariable("Application", application);
}
