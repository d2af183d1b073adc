#include "ui/reportform.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TReportForm::TReportForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ReportForm"));
    setWindowTitle(QStringLiteral("Fehlerbericht"));
    PathLabel = new QLabel;
    PathLabel->setObjectName(QStringLiteral("PathLabel"));
    PathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ReportMemo = new QPlainTextEdit;
    ReportMemo->setObjectName(QStringLiteral("ReportMemo"));
    ReportMemo->setReadOnly(true);
    ReportMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    CopyButton = new QPushButton(QStringLiteral("In die Zwischenablage"));
    CopyButton->setObjectName(QStringLiteral("CopyButton"));
    CloseButton = new QPushButton(QStringLiteral("Schließen"));
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    connect(CopyButton, &QPushButton::clicked, this, &TReportForm::copyToClipboard);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CopyButton);
    buttons->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PathLabel);
    layout->addWidget(ReportMemo, 1);
    layout->addLayout(buttons);
    resize(640, 480);
}

bool TReportForm::showReport(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    PathLabel->setText(path);
    ReportMemo->setPlainText(QString::fromUtf8(file.readAll()));
    show();
    raise();
    return true;
}

void TReportForm::copyToClipboard()
{
    QGuiApplication::clipboard()->setText(ReportMemo->toPlainText());
}
