#pragma once

#include <QDialog>

class QLineEdit;

// Composes a file-name mask from token buttons and shows what it expands to with the
// current camera settings, the working settings and the prefix being typed. Created once
// and reused; each opener sets both fields, shows it modally and reads them back.
class TDateimaskeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TDateimaskeDialog(QWidget *parent = nullptr);

    void setFields(const QString &mask, const QString &prefix);
    QString mask() const;
    QString prefix() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void appendToMask(const QString &text);
    void refreshPreview();

    QLineEdit *m_maskEdit = nullptr;
    QLineEdit *m_previewEdit = nullptr;
    QLineEdit *m_prefixEdit = nullptr;
};
