#include "ui/fexternapp.h"

#include "platform/dialogs.h"
#include "ui/widgethelpers.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFexternApp::TFexternApp(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FexternApp"));
    setWindowTitle(QStringLiteral("Anwendung"));
    edAppname = named(new QLineEdit, "edAppname");
    edAppPath = named(new QLineEdit, "edAppPath");
    auto *browse = named(new QPushButton(QStringLiteral("..")), "btBrowseapp");
    connect(browse, &QPushButton::clicked, this, &TFexternApp::btBrowseappClick);

    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Name :")), 0, 0);
    layout->addWidget(edAppname, 0, 1, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Pfad")), 1, 0);
    layout->addWidget(edAppPath, 1, 1);
    layout->addWidget(browse, 1, 2);
    layout->setRowStretch(2, 1);
}

void TFexternApp::btBrowseappClick()
{
    if (const std::optional<QString> file = appDialogs().openFile({}))
        edAppPath->setText(*file);
}
