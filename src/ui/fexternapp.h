#pragma once

#include <QWidget>

class QLineEdit;

// The "Anwendung" tab: name and program path of the selected application.
class TFexternApp : public QWidget
{
public:
    explicit TFexternApp(QWidget *parent = nullptr);

    QLineEdit *edAppname = nullptr;
    QLineEdit *edAppPath = nullptr;

private:
    void btBrowseappClick();
};
