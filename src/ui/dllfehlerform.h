#pragma once

#include <QDialog>

class QPlainTextEdit;

// Reports a missing camera SDK file before the program ends.
class Tdllfehlerform : public QDialog
{
    Q_OBJECT

public:
    explicit Tdllfehlerform(QWidget *parent = nullptr);
    void setText(const QString &text);
    QString text() const;

private:
    QPlainTextEdit *m_memo;
};
