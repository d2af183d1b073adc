#include "ui/scriptfuremoteform.h"

#include "platform/dialogs.h"
#include "settings/wincodec.h"
#include "ui/widgethelpers.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int CaptureIntervalMs = 10;

} // namespace

TScriptFuRemoteForm::TScriptFuRemoteForm(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ScriptFuRemoteForm"));
    setWindowTitle(QStringLiteral("Script fu Remote"));

    Label1 = named(new QLabel(QStringLiteral("Pfad Externer Viewer")), "Label1");
    edtGimpDir = named(new QLineEdit, "edtGimpDir");
    ExternViewDir = named(new QPushButton(QStringLiteral("Pfad")), "ExternViewDir");
    ExtTitleLabel = named(new QLabel(QStringLiteral("Externer Viewer FensterTitel")), "ExtTitleLabel");
    ScriptFuWindowTitleEdit = named(new QLineEdit(QStringLiteral("Skript-Fu-Konsole")), "ScriptFuWindowTitleEdit");
    FindWindowTitleButton = named(new QPushButton(QStringLiteral("FensterTitel")), "FindWindowTitleButton");
    Edit1 = named(new QLineEdit(QStringLiteral("Edit1")), "Edit1");
    btnSendKeys = named(new QPushButton(QStringLiteral("btnSendKeys")), "btnSendKeys");
    ListBox1 = named(new QListWidget, "ListBox1");
    for (int code = 0; code < 256; ++code)
        ListBox1->addItem(testLine(code));
    ListBox1->installEventFilter(this);
    Memo1 = named(new QPlainTextEdit(QStringLiteral("Memo1")), "Memo1");
    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(CaptureIntervalMs);

    connect(btnSendKeys, &QPushButton::clicked, this, &TScriptFuRemoteForm::btnSendKeysClick);
    connect(FindWindowTitleButton, &QPushButton::clicked, this, &TScriptFuRemoteForm::FindWindowTitleButtonClick);
    connect(Timer1, &QTimer::timeout, this, &TScriptFuRemoteForm::Timer1Timer);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtGimpDir, 0, 1);
    grid->addWidget(ExternViewDir, 0, 2);
    grid->addWidget(ExtTitleLabel, 1, 0);
    grid->addWidget(ScriptFuWindowTitleEdit, 1, 1);
    grid->addWidget(FindWindowTitleButton, 1, 2);
    grid->addWidget(Edit1, 2, 0, 1, 2);
    grid->addWidget(btnSendKeys, 2, 2);
    grid->addWidget(ListBox1, 3, 0, 1, 3);
    grid->addWidget(Memo1, 4, 0, 1, 3);
    grid->setRowStretch(3, 1);
}

QString TScriptFuRemoteForm::testLine(int code)
{
    const char byte = char(code);
    return QStringLiteral("Wert = %1ist gleich Taste = ").arg(code) + wincodec::decode(QByteArrayView(&byte, 1));
}

bool TScriptFuRemoteForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (enter)
            ListBox1Enter();
        // Back to the front after every key, so that the next one comes here again.
        activateWindow();
        raise();
        if (enter)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TScriptFuRemoteForm::btnSendKeysClick()
{
    if (!m_send || m_sending)
        return;
    m_sending = true;
    const SendKeysResult result = m_send(ScriptFuWindowTitleEdit->text(), Edit1->text());
    m_sending = false;
    if (!result.error.isEmpty())
        appDialogs().showMessage(QString::fromUtf8(ProgramCaption), result.error, MessageIcon::Error);
}

// A press of Enter while a line is still being sent is ignored.
void TScriptFuRemoteForm::ListBox1Enter()
{
    const int row = ListBox1->currentRow();
    if (!m_send || m_sending || row < 0)
        return;
    m_sending = true;
    // A bad repeat count in a test line is of no interest.
    (void)m_send(ScriptFuWindowTitleEdit->text(), ListBox1->item(row)->text() + QLatin1Char('~'));
    m_sending = false;
    if (row + 1 < ListBox1->count())
        ListBox1->setCurrentRow(row + 1);
}

void TScriptFuRemoteForm::FindWindowTitleButtonClick()
{
    Timer1->start();
}

void TScriptFuRemoteForm::Timer1Timer()
{
    if (m_pointerText)
        ScriptFuWindowTitleEdit->setText(m_pointerText());
}
