#include "ui/ebveinstellungen.h"

#include "ui/fhdroptions.h"
#include "ui/widgethelpers.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QWidget *tabPage(QTabWidget *tabs, const char *name, const QString &caption)
{
    auto *page = named(new QWidget, name);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs->addTab(page, caption);
    return page;
}

// The window without border, filling the tab, which takes its caption.
void placeInTab(QTabWidget *tabs, QWidget *page, QWidget *window)
{
    if (!window)
        return;
    if (window->parentWidget() != page) {
        window->setParent(page, Qt::Widget);
        page->layout()->addWidget(window);
    }
    tabs->setTabText(tabs->indexOf(page), window->windowTitle());
    window->show();
}

} // namespace

TEBVeinstellungen::TEBVeinstellungen(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("EBVeinstellungen"));
    setWindowTitle(QStringLiteral("EBV-einstellungen"));
    PA_EBVMainSet = named(new QWidget, "PA_EBVMainSet");
    PCEBV = named(new QTabWidget, "PCEBV");
    TSImagemagick = tabPage(PCEBV, "TSImagemagick", QStringLiteral("Imagemagick"));
    TSHdr = tabPage(PCEBV, "TSHdr", QStringLiteral("HDR"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PA_EBVMainSet);
    layout->addWidget(PCEBV, 1);
}

TEBVeinstellungen::~TEBVeinstellungen()
{
    for (QWidget *window : {static_cast<QWidget *>(m_imageMagick), static_cast<QWidget *>(m_hdr)}) {
        if (window && isAncestorOf(window))
            window->setParent(nullptr);
    }
}

void TEBVeinstellungen::setPages(QWidget *imageMagick, TFHdrOptions *hdr)
{
    m_imageMagick = imageMagick;
    m_hdr = hdr;
}

void TEBVeinstellungen::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        placeInTab(PCEBV, TSImagemagick, m_imageMagick);
        placeInTab(PCEBV, TSHdr, m_hdr);
        if (m_hdr)
            m_hdr->settingsToWindow();
    }
    QWidget::showEvent(event);
}

// Both windows run their closing step; one that cannot take its values keeps this one open.
void TEBVeinstellungen::closeEvent(QCloseEvent *event)
{
    bool closed = true;
    for (QWidget *window : {static_cast<QWidget *>(m_imageMagick), static_cast<QWidget *>(m_hdr)}) {
        if (window && !window->close())
            closed = false;
    }
    if (closed) {
        event->accept();
        return;
    }
    event->ignore();
    for (QWidget *window : {static_cast<QWidget *>(m_imageMagick), static_cast<QWidget *>(m_hdr)}) {
        if (window)
            window->show();
    }
}
