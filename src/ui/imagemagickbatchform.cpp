#include "ui/imagemagickbatchform.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

QPlainTextEdit *previewBox(const char *name)
{
    auto *box = new QPlainTextEdit;
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return box;
}

} // namespace

TImageMagickbatchform::TImageMagickbatchform(QWidget *parent)
    : QWidget(parent)
    , BatchPreviewBox(previewBox("BatchPreviewBox"))
    , commandlistedit(previewBox("commandlistedit"))
{
    setObjectName(QStringLiteral("ImageMagickbatchform"));
    setWindowTitle(QStringLiteral("ImageMagick Batch Ansicht"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Batch File Vorschau")));
    layout->addWidget(BatchPreviewBox, 2);
    layout->addWidget(new QLabel(QStringLiteral("Kommandostapel")));
    layout->addWidget(commandlistedit, 1);
    resize(640, 480);
}

void TImageMagickbatchform::appendBatchLine(const QString &line)
{
    // Appending to an empty box would fill its first line, which stays empty.
    if (BatchPreviewBox->document()->isEmpty())
        BatchPreviewBox->setPlainText(QLatin1Char('\n') + line);
    else
        BatchPreviewBox->appendPlainText(line);
}

void TImageMagickbatchform::showPendingCommands(const QStringList &lines)
{
    // The first line stays empty, as the batch preview's does.
    commandlistedit->setPlainText(lines.isEmpty() ? QString()
                                                  : QLatin1Char('\n') + lines.join(QLatin1Char('\n')));
}

void TImageMagickbatchform::showNotice(const QString &text)
{
    if (!m_notice) {
        m_notice = new QMessageBox(QMessageBox::Warning, QStringLiteral("Imagemagick"), QString(),
                                   QMessageBox::Ok, this);
        m_notice->setObjectName(QStringLiteral("ImageMagickNotice"));
        m_notice->setModal(false);
        m_notice->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_notice->setText(text);
    m_notice->show();
}
