#pragma once

#include <QPointer>
#include <QWidget>

class QTabWidget;
class TFHdrOptions;

// EBV settings window; created at start and kept for the whole run. Its tabs hold the
// ImageMagick settings window and the HDR options window, each still a window of its own:
// closing this window closes both, so that each takes its values over.
class TEBVeinstellungen : public QWidget
{
public:
    explicit TEBVeinstellungen(QWidget *parent = nullptr);
    // Gives the embedded windows back, as their owner destroys them.
    ~TEBVeinstellungen() override;

    // The windows the two tabs show; they are placed there as this window shows.
    void setPages(QWidget *imageMagick, TFHdrOptions *hdr);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *PA_EBVMainSet = nullptr;
    QTabWidget *PCEBV = nullptr;
    QWidget *TSImagemagick = nullptr;
    QWidget *TSHdr = nullptr;
    QPointer<QWidget> m_imageMagick;
    QPointer<TFHdrOptions> m_hdr;
};
