#include "diagnostics/threadstacks.h"

#include <elfutils/libdwfl.h>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int MaxFrames = 256;

struct Walk
{
    Dwfl *dwfl = nullptr;
    int markedThread = 0;
    QStringList *lines = nullptr;
    int depth = 0;
};

QString demangled(const char *symbol)
{
    if (!symbol)
        return QStringLiteral("??");
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(symbol, nullptr, nullptr, &status),
                                                     &std::free);
    return QString::fromUtf8(name ? name.get() : symbol);
}

int onFrame(Dwfl_Frame *frame, void *arg)
{
    Walk &walk = *static_cast<Walk *>(arg);
    Dwarf_Addr pc = 0;
    bool activation = false;
    if (!dwfl_frame_pc(frame, &pc, &activation))
        return DWARF_CB_ABORT;
    // A return address points after its call.
    const Dwarf_Addr at = activation ? pc : pc - 1;
    Dwfl_Module *module = dwfl_addrmodule(walk.dwfl, at);
    QString line = QStringLiteral("  #%1 0x%2 ").arg(walk.depth, 2).arg(quint64(pc), 12, 16, QLatin1Char('0'));
    if (module) {
        line += demangled(dwfl_module_addrname(module, at));
        int lineNumber = 0;
        const char *file = nullptr;
        if (Dwfl_Line *source = dwfl_module_getsrc(module, at))
            file = dwfl_lineinfo(source, nullptr, &lineNumber, nullptr, nullptr, nullptr);
        if (file)
            line += QStringLiteral(" (%1:%2)").arg(QString::fromUtf8(file)).arg(lineNumber);
        const char *name = dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (name)
            line += QStringLiteral(" in ") + QString::fromUtf8(name);
    } else {
        line += QStringLiteral("??");
    }
    *walk.lines << line;
    return ++walk.depth < MaxFrames ? DWARF_CB_OK : DWARF_CB_ABORT;
}

int onThread(Dwfl_Thread *thread, void *arg)
{
    Walk &walk = *static_cast<Walk *>(arg);
    const pid_t tid = dwfl_thread_tid(thread);
    *walk.lines << QStringLiteral("Thread %1%2").arg(tid).arg(tid == walk.markedThread
                                                                   ? QStringLiteral(" (hier geschah es)")
                                                                   : QString());
    walk.depth = 0;
    if (dwfl_thread_getframes(thread, onFrame, &walk) != 0 && walk.depth == 0)
        *walk.lines << QStringLiteral("  (nicht lesbar: %1)").arg(QString::fromUtf8(dwfl_errmsg(-1)));
    *walk.lines << QString();
    return DWARF_CB_OK;
}

QStringList failure(const char *step)
{
    return {QStringLiteral("Keine Rückverfolgung (%1): %2").arg(QLatin1String(step), QString::fromUtf8(dwfl_errmsg(-1)))};
}

} // namespace

QStringList threadStacks(int pid, int markedThread)
{
    static char *debugInfoPath = nullptr;
    static const Dwfl_Callbacks callbacks = {
        dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo, nullptr, &debugInfoPath};
    std::unique_ptr<Dwfl, decltype(&dwfl_end)> dwfl(dwfl_begin(&callbacks), &dwfl_end);
    if (!dwfl)
        return failure("dwfl_begin");
    if (dwfl_linux_proc_report(dwfl.get(), pid) != 0 || dwfl_report_end(dwfl.get(), nullptr, nullptr) != 0)
        return failure("Module");
    if (dwfl_linux_proc_attach(dwfl.get(), pid, false) != 0)
        return failure("ptrace");
    QStringList lines;
    Walk walk{dwfl.get(), markedThread, &lines, 0};
    if (dwfl_getthreads(dwfl.get(), onThread, &walk) != 0 && lines.isEmpty())
        return failure("Threads");
    return lines;
}
