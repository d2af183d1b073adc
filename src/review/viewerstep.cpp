#include "review/viewerstep.h"

#include "platform/x11windows.h"
#include "review/pictureloader.h"
#include "settings/programsettings.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

bool refusedByInternalDisplay(const QString &fileName)
{
    static const char *const refused[] = {".CR2", ".cr2", ".CRW", ".crw", ".THM", ".thm"};
    for (const char *form : refused) {
        if (fileName.contains(QLatin1String(form), Qt::CaseSensitive))
            return true;
    }
    return false;
}

int imageWindowWidth(int height)
{
    const int tripled = 3 * height;
    const int width = tripled / 2;
    return tripled % 2 != 0 && width % 2 != 0 ? width + 1 : width;
}

QString externalViewerProgram(const QString &configured)
{
    const QFileInfo file(configured);
    if (file.isFile())
        return file.absoluteFilePath();
    return configured.isEmpty() ? QString() : QStandardPaths::findExecutable(configured);
}

ProcessStarter detachedStarter()
{
    return [](const QString &program, const QStringList &arguments) {
        return QProcess::startDetached(program, arguments);
    };
}

ViewerStep::ViewerStep(PictureLoader &loader, Hooks hooks)
    : m_loader(loader)
    , m_hooks(std::move(hooks))
{
}

void ViewerStep::ShowReceivedPicture(const QString &folder, const QString &fileName)
{
    const QString path = folder + fileName;
    if (m_hooks.internalDisplayWanted && m_hooks.internalDisplayWanted()) {
        if (refusedByInternalDisplay(fileName)) {
            if (m_hooks.showError)
                m_hooks.showError(QString::fromUtf8(OnlyJpegText));
        } else {
            m_loader.loadFile(path, m_hooks.displaySize ? m_hooks.displaySize() : QSize());
        }
    }
    startExternalViewer(ProgramSettings(), path);
}

bool ViewerStep::startExternalViewer(const TProgramSettings &settings, const QString &path)
{
    if (!settings.ShowAfterShoot || !settings.ShowExtern || settings.ExternViewerPath.isEmpty())
        return false;
    const QString program = externalViewerProgram(settings.ExternViewerPath);
    // A viewer that does not start is not reported.
    if (program.isEmpty() || !m_hooks.startProcess || !m_hooks.startProcess(program, {path}))
        return false;
    if (!m_hooks.windows)
        return true;
    // The viewer's window may not exist yet; then nothing is moved.
    if (const auto window = m_hooks.windows->findWindowByTitle(settings.ExternViewerWindowTitle))
        m_hooks.windows->place(*window, QRect(settings.ExternViewerRect.Left, settings.ExternViewerRect.Top,
                                       settings.ExternViewerRect.Width, settings.ExternViewerRect.Height));
    return true;
}

X11ViewerWindows::X11ViewerWindows() = default;
X11ViewerWindows::~X11ViewerWindows() = default;

X11Windows &X11ViewerWindows::x11()
{
    if (!m_windows)
        m_windows = std::make_unique<X11Windows>();
    return *m_windows;
}

std::optional<quint64> X11ViewerWindows::findWindowByTitle(const QString &part)
{
    return x11().findWindowByTitle(part);
}

void X11ViewerWindows::place(quint64 window, const QRect &rect)
{
    if (x11().moveResize(window, rect))
        x11().activate(window);
}
