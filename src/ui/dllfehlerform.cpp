#include "ui/dllfehlerform.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

Tdllfehlerform::Tdllfehlerform(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dllfehlerform"));
    setWindowTitle(QStringLiteral("Fehler"));
    auto *layout = new QVBoxLayout(this);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    layout->addWidget(m_memo);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("FehlerOKButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    resize(460, 260);
}

void Tdllfehlerform::setText(const QString &text)
{
    m_memo->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString Tdllfehlerform::text() const
{
    return m_memo->toPlainText();
}
