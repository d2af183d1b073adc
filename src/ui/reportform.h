#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Shows one crash report and hands it to the clipboard, from where the user sends it on.
class TReportForm : public QWidget
{
    Q_OBJECT

public:
    explicit TReportForm(QWidget *parent = nullptr);

    // Loads the report at `path` into the window; false when it cannot be read.
    bool showReport(const QString &path);
    void copyToClipboard();

    QLabel *PathLabel = nullptr;
    QPlainTextEdit *ReportMemo = nullptr;
    QPushButton *CopyButton = nullptr;
    QPushButton *CloseButton = nullptr;
};
