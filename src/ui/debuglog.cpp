#include "ui/debuglog.h"

#include "diagnostics/debuglog.h"
#include "platform/dialogs.h"
#include "settings/textfile.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TDebugLog::TDebugLog(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("DebugLog"));
    setWindowTitle(QStringLiteral("Debug Log"));
    Log = new QPlainTextEdit(QStringLiteral("Log"));
    Log->setObjectName(QStringLiteral("Log"));
    Log->setLineWrapMode(QPlainTextEdit::NoWrap);
    Log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button1 = new QPushButton(QStringLiteral("Leeren"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Speichern"));
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, &TDebugLog::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TDebugLog::Button2Click);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Log, 1);
    layout->addLayout(buttons);
    resize(480, 400);

    attachDebugSink(this, [this](const QString &line) { take(line); });
}

TDebugLog::~TDebugLog()
{
    detachDebugSink();
}

QStringList TDebugLog::lines() const
{
    return Log->toPlainText().split(QLatin1Char('\n'));
}

void TDebugLog::take(const QString &line)
{
    m_pending.append(line);
    if (m_turnPosted)
        return;
    m_turnPosted = true;
    QTimer::singleShot(0, this, &TDebugLog::showPending);
}

void TDebugLog::showPending()
{
    m_turnPosted = false;
    const qsizetype count = std::min<qsizetype>(m_pending.size() - m_shown, LinesPerTurn);
    Log->appendPlainText(m_pending.mid(m_shown, count).join(QLatin1Char('\n')));
    m_shown += count;
    if (m_shown < m_pending.size()) {
        m_turnPosted = true;
        QTimer::singleShot(0, this, &TDebugLog::showPending);
        return;
    }
    m_pending.clear();
    m_shown = 0;
}

void TDebugLog::Button1Click()
{
    Log->clear();
}

void TDebugLog::Button2Click()
{
    const std::optional<QString> path = appDialogs().saveFile(FileDialogOptions{});
    if (!path)
        return;
    const Result<> written = textfile::writeLines(*path, lines());
    if (!written)
        appDialogs().showMessage(QStringLiteral("Fehler"), written.error(), MessageIcon::Error);
}
