#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QMessageBox;
class QPlainTextEdit;

// ImageMagick batch preview window; created at start and kept for the whole run. The upper box
// shows every line written to the batch file and every failure of the stage, the lower one the
// commands still to run. Each starts with one empty line.
class TImageMagickbatchform : public QWidget
{
public:
    explicit TImageMagickbatchform(QWidget *parent = nullptr);

    void appendBatchLine(const QString &line);
    void showPendingCommands(const QStringList &lines);
    // A notice that does not stop the shooting; a newer one replaces the one shown.
    void showNotice(const QString &text);

    QPlainTextEdit *BatchPreviewBox = nullptr;
    QPlainTextEdit *commandlistedit = nullptr;

private:
    QPointer<QMessageBox> m_notice;
};
