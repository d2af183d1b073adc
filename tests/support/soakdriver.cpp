#include "soakdriver.h"

#include "simcontrol.h"

#include "app/eventdispatch.h"
#include "app/mainformview.h"
#include "app/shooting.h"
#include "app/startup.h"
#include "app/transfer.h"
#include "camera/cameraevents.h"
#include "camera/madeimages.h"
#include "camera/proptables.h"
#include "diagnostics/debuglog.h"
#include "platform/clock.h"
#include "platform/scripteddialogs.h"
#include "sequence/commandlist.h"
#include "settings/programsettings.h"
#include "ui/mainform.h"

#include "edsdk_sim.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr quint32 QualityProperty = 256;
constexpr quint32 JpegOnly = 0x0013FF0F;
constexpr quint32 RawAndJpeg = 0x00640013;
const QString NotConnected = QStringLiteral("Kamera nicht verbunden");
const QString NoPicture = QStringLiteral("Kein Bild von der Kamera erhalten");

// Real time without any camera message after which the program can only be waiting for a
// picture that will not come.
constexpr qint64 LostIdleMs = 100;
constexpr qint64 FallbackIdleMs = 5000;
// Longer than any wait for a picture of the short exposures used here.
constexpr qint64 ClockJumpMs = Shooting::PictureMarginMs + 10000;
constexpr int ReleaseGuardMs = 60000;

QString countList(const std::set<int> &counts)
{
    if (counts.empty())
        return QStringLiteral("0");
    QStringList parts;
    for (int n : counts)
        parts << QString::number(n);
    return parts.join(QLatin1Char(','));
}

// What the body's call log says it took and offered.
struct BodyFrame
{
    int file = 0;
    quint32 ae = 0, tv = 0, av = 0, iso = 0, comp = 0, quality = 0;
    int offers = 0;
};

struct BodyOffer
{
    int frame = 0;
    QString name;
    qint64 size = 0;
    QString hash;
};

// Reads the call log as it grows; only the lines added since the last look are parsed.
class BodyLog
{
public:
    void poll()
    {
        static const auto callLog = simCall<decltype(&EdsSimCallLog)>("EdsSimCallLog");
        EdsUInt32 length = 0;
        callLog(nullptr, 0, &length);
        std::string text(size_t(length) + 1, '\0');
        callLog(text.data(), length + 1, &length);
        text.resize(std::strlen(text.c_str()));
        size_t at = m_parsed;
        for (size_t end = text.find('\n', at); end != std::string::npos; end = text.find('\n', at)) {
            parse(text.substr(at, end - at));
            at = end + 1;
        }
        m_parsed = at;
    }

    std::map<int, BodyFrame> frames;
    std::vector<BodyOffer> offers;
    int lastFrame = 0;

private:
    void parse(const std::string &line)
    {
        BodyFrame f;
        int frame = 0;
        if (std::sscanf(line.c_str(), "Frame %d file %d ae %u tv %u av %u iso %u comp %u quality %u", &frame,
                        &f.file, &f.ae, &f.tv, &f.av, &f.iso, &f.comp, &f.quality)
            == 8) {
            frames[frame] = f;
            lastFrame = frame;
            return;
        }
        char name[64] = {};
        char hash[17] = {};
        long long size = 0;
        if (std::sscanf(line.c_str(), "Offer %d %63s %lld %16s", &frame, name, &size, hash) == 4) {
            offers.push_back({frame, QString::fromLatin1(name), size, QString::fromLatin1(hash)});
            ++frames[frame].offers;
        }
    }

    size_t m_parsed = 0;
};

// Ends the process when the run does not end: a hang must fail, not wait for the CI limit.
class Watchdog
{
public:
    Watchdog(std::chrono::seconds limit, quint32 seed)
        : m_thread([this, limit, seed] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                std::fprintf(stderr, "soak (seed %u): no end after %lld s\n", seed,
                             static_cast<long long>(limit.count()));
                std::fflush(stderr);
                std::_Exit(3);
            }
        })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

// The main window, counting the waits for a picture that gave up.
class CountingView : public MainFormView
{
public:
    using MainFormView::MainFormView;
    void setStatus(const QString &text, const QColor &color) override
    {
        if (text == NoPicture)
            ++giveUps;
        if (onStatus)
            onStatus(text);
        MainFormView::setStatus(text, color);
    }
    int giveUps = 0;
    std::function<void(const QString &)> onStatus;
};

class Soak;

// A user who plugs the camera back in and presses Retry, says Yes to the sequence prompt
// once and No when it comes again (the dial or the cable is not as it asks).
class SoakDialogs : public ScriptedDialogs
{
public:
    explicit SoakDialogs(Soak &soak) : m_soak(soak) {}
    void nextRelease()
    {
        m_sequenceAsked = false;
        m_retries = 0;
    }
    DialogButton message(MessageIcon icon, const QString &caption, const QString &text,
                         DialogButtons buttons) override;

private:
    Soak &m_soak;
    bool m_sequenceAsked = false;
    int m_retries = 0;
};

class Soak : public QObject
{
public:
    Soak(const SoakPlan &plan, TForm1 &form, EventDispatcher &dispatcher, ManualClock &clock,
         const QString &saveRoot)
        : m_plan(plan)
        , m_form(form)
        , m_clock(clock)
        , m_saveRoot(saveRoot)
        , m_rng(plan.seed)
        , m_view(form)
        , m_dialogs(*this)
        , m_shooting(m_view, dispatcher.transfer())
    {
        ShootingHooks hooks;
        hooks.reconnect = [&form] { return ReconnectCamera(form); };
        m_shooting.setHooks(hooks);
        wireShootingControls(form, m_shooting);
        m_countdown = nextGap();
        if (m_tracing)
            m_view.onStatus = [this](const QString &text) { trace(QStringLiteral("status: ") + text); };
    }

    SoakResult run();

    void plugBackIn()
    {
        if (simReconnect() == 0)
            m_disconnected = false;
        ++m_result.reconnects;
    }
    void declined() { ++m_result.sequencesDeclined; }
    void problem(const QString &text) { m_result.problems << text; }
    // With TESSARO_SOAK_TRACE set, what the run did is written to standard error.
    void trace(const QString &text)
    {
        if (m_tracing) {
            m_log.poll();
            std::fprintf(stderr, "[frame %d, records %d] %s\n", m_log.lastFrame, ImageCount(), qPrintable(text));
        }
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        const int type = event->type();
        if (type < WM_PROPERTYEVENT || type > WM_PROCESSMESSAGES)
            return false;
        m_activity.restart();
        // Ahead of the dispatcher: the cable may go just as the program takes up a message.
        if (m_releasing && (type == WM_OBJECTEVENT || type == WM_DOWNLOADDONE || type == WM_PROPERTYEVENT)
            && --m_countdown <= 0) {
            trace(QStringLiteral("cable pulled at message %1").arg(type));
            pullCable();
            m_countdown = nextGap();
        }
        return false;
    }

private:
    enum class Mode { Single, Bracketing, TimeLapse, Sequence };

    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    int nextGap() { return m_plan.disconnectGap > 0 ? between(1, 2 * m_plan.disconnectGap) : 1 << 30; }

    void pullCable()
    {
        if (m_disconnected || simDisconnect() != 0)
            return;
        m_disconnected = true;
        ++m_result.disconnects;
    }

    void tick();
    void prepareRelease();
    void turnDial(quint32 ae);
    TPropList randomEntry(CameraProperty property, const std::function<bool(const TPropList &)> &fits = {});
    TPropList entryWithCode(CameraProperty property, quint32 code) const;
    TCamerasettings sequenceStep();
    void release();
    void settle();
    void checkFailuresReported(int from);
    void check();

    const SoakPlan &m_plan;
    TForm1 &m_form;
    ManualClock &m_clock;
    QString m_saveRoot;
    std::mt19937 m_rng;
    CountingView m_view;
    SoakDialogs m_dialogs;
    Shooting m_shooting;
    BodyLog m_log;
    SoakResult m_result;
    QElapsedTimer m_activity;
    int m_seenRecords = 0;
    std::set<int> m_advancedFor;
    int m_countdown = 0;
    bool m_disconnected = false;
    bool m_releasing = false;
    bool m_hung = false;
    quint32 m_dial = 3;
    int m_failureLines = 0;
    bool m_tracing = !qEnvironmentVariableIsEmpty("TESSARO_SOAK_TRACE");
};

DialogButton SoakDialogs::message(MessageIcon icon, const QString &caption, const QString &text,
                                  DialogButtons buttons)
{
    if (text == NotConnected) {
        if (++m_retries > 5) {
            m_soak.problem(QStringLiteral("\"Kamera nicht verbunden\" asked again after five reconnects"));
            return DialogButton::Cancel;
        }
        m_soak.trace(QStringLiteral("asked: camera not connected; plugged back in, Retry"));
        m_soak.plugBackIn();
        return DialogButton::Retry;
    }
    if (text.startsWith(QStringLiteral("Möchten sie Bilderfolge starten"))) {
        if (std::exchange(m_sequenceAsked, true)) {
            m_soak.trace(QStringLiteral("asked again to start the sequence: No"));
            m_soak.declined();
            return DialogButton::No;
        }
        return DialogButton::Yes;
    }
    return ScriptedDialogs::message(icon, caption, text, buttons);
}

// Moves the program's clock past the picture margin once nothing has happened for a short
// real while and the body took a picture it will never offer; after a long while in any case.
void Soak::tick()
{
    if (ImageCount() != m_seenRecords) {
        m_seenRecords = ImageCount();
        m_activity.restart();
        return;
    }
    const qint64 idle = m_activity.elapsed();
    if (idle < LostIdleMs)
        return;
    m_log.poll();
    const int last = m_log.lastFrame;
    if (last && m_plan.lost.count(last) && m_log.frames[last].offers == 0 && m_advancedFor.insert(last).second) {
        ++m_result.idleAdvances;
        trace(QStringLiteral("clock moved on for lost frame %1").arg(last));
    } else if (idle >= FallbackIdleMs) {
        ++m_result.fallbackAdvances;
        trace(QStringLiteral("clock moved on after a long idle"));
    } else {
        return;
    }
    m_clock.advanceMs(ClockJumpMs);
    m_activity.restart();
}

TPropList Soak::entryWithCode(CameraProperty property, quint32 code) const
{
    for (const TPropList &entry : MasterTable(property)) {
        if (entry.ID == code)
            return entry;
    }
    return {QString(), code, true};
}

// One of the values the window offers for the property now; an empty entry (left alone)
// when it offers none that fits.
TPropList Soak::randomEntry(CameraProperty property, const std::function<bool(const TPropList &)> &fits)
{
    const QComboBox *box = m_form.valueList(property);
    std::vector<TPropList> entries;
    for (int i = 0; box && i < box->count(); ++i) {
        const TPropList *entry = TForm1::entryOf(box, i);
        if (entry && entry->ID != 0 && entry->ID != NoSelectionCode && (!fits || fits(*entry)))
            entries.push_back(*entry);
    }
    if (entries.empty())
        return {};
    return entries[size_t(between(0, int(entries.size()) - 1))];
}

TCamerasettings Soak::sequenceStep()
{
    TCamerasettings step;
    step.AEMode = entryWithCode(CameraProperty::AEMode, m_dial);
    if (m_dial == 3 && chance(0.5)) {
        step.Tv = randomEntry(CameraProperty::Tv, [](const TPropList &e) {
            const qint64 ms = exposureMsOfTv(e.Name);
            return ms > 0 && ms <= 20;
        });
    }
    if (chance(0.6))
        step.Av = randomEntry(CameraProperty::Av);
    if (chance(0.5))
        step.ISO = randomEntry(CameraProperty::ISO);
    if (chance(0.5))
        step.ExpComp = randomEntry(CameraProperty::ExpComp);
    if (chance(0.5))
        step.Quality = entryWithCode(CameraProperty::Quality, chance(0.5) ? JpegOnly : RawAndJpeg);
    step.PauseSeconds = between(0, 1);
    return step;
}

void Soak::turnDial(quint32 ae)
{
    // With the cable out the program cannot learn of it; the release asks to plug in first.
    if (ae == m_dial || m_disconnected)
        return;
    if (simSetModeDial(ae) != 0) {
        problem(QStringLiteral("the body refused the dial %1").arg(ae));
        return;
    }
    m_dial = ae;
    trace(QStringLiteral("dial turned to %1").arg(ae));
    if (!waitUntil([ae] { return ProgramSettings().AEModeCode == ae; }))
        problem(QStringLiteral("the program did not learn of the dial %1").arg(ae));
}

void Soak::prepareRelease()
{
    m_dialogs.nextRelease();
    if (chance(0.35)) {
        const quint32 quality = chance(0.5) ? RawAndJpeg : JpegOnly;
        trace(QStringLiteral("quality turned at the body to %1").arg(quality, 8, 16, QLatin1Char('0')));
        simTurnValue(QualityProperty, quality);
    }

    const int roll = between(0, 99);
    const Mode mode = roll < 35   ? Mode::Single
                      : roll < 55 ? Mode::Bracketing
                      : roll < 75 ? Mode::TimeLapse
                                  : Mode::Sequence;
    TProgramSettings &s = ProgramSettings();
    s.Einzelaufnahme = mode == Mode::Single || mode == Mode::TimeLapse || chance(0.3);
    s.Belichtungsreihe = mode == Mode::Bracketing || (mode == Mode::TimeLapse && chance(0.3));
    s.Zeitraffer = mode == Mode::TimeLapse;
    s.Bilderfolge = mode == Mode::Sequence;
    if (mode == Mode::Sequence)
        s.Einzelaufnahme = s.Belichtungsreihe = false;

    // Bracketing runs in P, Tv, Av and the program's own AE modes only.
    if (s.Belichtungsreihe)
        turnDial(chance(0.7) ? 2 : 0);
    else if (chance(0.3))
        turnDial(chance(0.5) ? 3 : 2);

    if (s.Belichtungsreihe) {
        QString *steps[] = {&s.ExpComp1, &s.ExpComp2, &s.ExpComp3};
        const PropTable &table = MasterTable(CameraProperty::ExpComp);
        for (QString *text : steps)
            *text = table.empty() ? QStringLiteral("0") : table[size_t(between(0, int(table.size()) - 1))].Name;
    }
    if (s.Zeitraffer) {
        s.Aufnahmenanzahl = between(2, 3);
        s.IntervalStdText = s.IntervalMinText = QStringLiteral("0");
        s.IntervalSekText = QString::number(between(0, 2));
    }
    if (s.Bilderfolge) {
        SequenceSteps list;
        for (int i = between(1, 3); i > 0; --i)
            list.append(sequenceStep());
        CommandList() = list;
    }
    if (chance(0.02)) {
        trace(QStringLiteral("cable pulled between releases"));
        pullCable();
    }
    trace(QStringLiteral("release %1: single %2 bracketing %3 time-lapse %4 sequence %5 (%6 steps), dial %7")
              .arg(m_result.releases + 1)
              .arg(s.Einzelaufnahme)
              .arg(s.Belichtungsreihe)
              .arg(s.Zeitraffer)
              .arg(s.Bilderfolge)
              .arg(s.Bilderfolge ? CommandList().size() : 0)
              .arg(m_dial));
}

void Soak::release()
{
    QPushButton *button = m_form.AusloeserButton;
    if (!button->isEnabled()) {
        problem(QStringLiteral("release %1: the release button is disabled").arg(m_result.releases));
        m_hung = true;
        return;
    }
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &guard, [this] {
        problem(QStringLiteral("release %1 did not end within %2 s; Stop pressed")
                    .arg(m_result.releases)
                    .arg(ReleaseGuardMs / 1000));
        m_hung = true;
        m_shooting.Stop();
    });
    guard.start(ReleaseGuardMs);
    const int before = ImageCount();
    m_releasing = true;
    ++m_result.releases;
    button->click();
    m_releasing = false;
    checkFailuresReported(before);
}

// A failure during a release leaves the status bar showing an error when the release ends.
void Soak::checkFailuresReported(int from)
{
    for (int i = from; i < ImageCount(); ++i) {
        if (MadeImages().find(i)->Failed && m_form.statusColor() != StatusErrorColor) {
            problem(QStringLiteral("record %1 failed but the status bar shows \"%2\"")
                        .arg(i)
                        .arg(m_form.statusText()));
            return;
        }
    }
}

// Late files of the last release come in before the run is judged.
void Soak::settle()
{
    const int before = ImageCount();
    QElapsedTimer limit;
    limit.start();
    m_activity.restart();
    while (m_activity.elapsed() < 300 && limit.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    checkFailuresReported(before);
}

SoakResult Soak::run()
{
    QElapsedTimer real;
    real.start();
    Watchdog watchdog(std::chrono::seconds(120 + m_plan.frames / 5), m_plan.seed);

    Dialogs &previousDialogs = appDialogs();
    setAppDialogs(&m_dialogs);
    const bool debug = debugEnabled();
    QObject sinkOwner;
    attachDebugSink(&sinkOwner, [this](const QString &line) {
        if (line.startsWith(QStringLiteral("Bild nicht gespeichert: "))) {
            ++m_failureLines;
            trace(line);
        }
    });
    setDebugEnabled(true);
    QCoreApplication::instance()->installEventFilter(this);
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [this] { tick(); });
    ticker.start(20);
    m_activity.start();
    m_seenRecords = ImageCount();
    m_dial = ProgramSettings().AEModeCode.value_or(3);

    TProgramSettings &s = ProgramSettings();
    s.Savepath = m_saveRoot;
    s.Filemask = QStringLiteral("#YEAR\\IMG#IMGNR");
    const int releaseLimit = m_plan.frames * 2;
    while (!m_hung && int(m_log.frames.size()) < m_plan.frames && m_result.releases < releaseLimit) {
        const int before = ImageCount();
        prepareRelease();
        checkFailuresReported(before);
        release();
        m_log.poll();
    }
    settle();
    m_result.finished = !m_hung;

    ticker.stop();
    QCoreApplication::instance()->removeEventFilter(this);
    setDebugEnabled(debug);
    detachDebugSink();
    setAppDialogs(&previousDialogs);
    m_result.giveUps = m_view.giveUps;
    for (const DialogCall &call : m_dialogs.unexpectedCalls())
        problem(QStringLiteral("unexpected dialog: ") + call.toString());
    check();
    m_result.realMs = real.elapsed();
    return m_result;
}

QString settingsDifference(const TCamerasettings &s, const BodyFrame &f)
{
    QStringList diff;
    const auto compare = [&diff](const char *what, const TPropList &recorded, quint32 taken) {
        if (recorded.ID != taken)
            diff << QStringLiteral("%1 recorded %2 (%3), taken %4")
                        .arg(QLatin1String(what))
                        .arg(recorded.ID)
                        .arg(recorded.Name)
                        .arg(taken);
    };
    compare("ae", s.AEMode, f.ae);
    compare("tv", s.Tv, f.tv);
    compare("av", s.Av, f.av);
    compare("iso", s.ISO, f.iso);
    compare("comp", s.ExpComp, f.comp);
    compare("quality", s.Quality, f.quality);
    return diff.join(QStringLiteral("; "));
}

void Soak::check()
{
    m_log.poll();
    SoakResult &r = m_result;
    r.frames = int(m_log.frames.size());
    r.offered = int(m_log.offers.size());

    // The body's files by the camera number in their name and their kind.
    std::map<std::pair<int, QString>, int> byName;
    QSet<QString> offeredContent;
    for (int i = 0; i < r.offered; ++i) {
        const BodyOffer &offer = m_log.offers[size_t(i)];
        const auto key = std::make_pair(m_log.frames[offer.frame].file, QFileInfo(offer.name).suffix().toUpper());
        if (!byName.emplace(key, i).second)
            problem(QStringLiteral("the body offered %1 twice").arg(offer.name));
        offeredContent.insert(offer.hash + QLatin1Char(':') + QString::number(offer.size));
    }

    // The camera's number ends the name, before a suffix that keeps it apart from another.
    static const QRegularExpression numbered(QStringLiteral("(\\d{4})(?:_p?\\d+)?\\.(JPG|CR2)$"));
    std::vector<int> recordOf(size_t(r.offered), -1);
    QSet<QString> paths;
    QSet<QString> storedPaths;
    for (int i = 0; i < ImageCount(); ++i) {
        const TMadeImage &image = *MadeImages().find(i);
        (image.Failed ? r.failed : r.stored)++;
        if (image.FileName.isEmpty()) {
            if (!image.Failed)
                problem(QStringLiteral("record %1 is stored without a name").arg(i));
            ++r.failedUnnamed;
            continue;
        }
        const QString path = image.Folder + image.FileName;
        if (paths.contains(path))
            problem(QStringLiteral("two records share %1").arg(path));
        paths.insert(path);
        const QRegularExpressionMatch match = numbered.match(image.FileName);
        const auto found = match.hasMatch()
                               ? byName.find({match.captured(1).toInt(), match.captured(2)})
                               : byName.end();
        if (found == byName.end()) {
            problem(QStringLiteral("record %1 (%2) is of no file the body offered").arg(i).arg(path));
            continue;
        }
        const BodyOffer &offer = m_log.offers[size_t(found->second)];
        int &owner = recordOf[size_t(found->second)];
        if (owner >= 0)
            problem(QStringLiteral("records %1 and %2 are both of %3").arg(owner).arg(i).arg(offer.name));
        owner = i;
        const QString diff = settingsDifference(image.Settings, m_log.frames[offer.frame]);
        if (!diff.isEmpty())
            problem(QStringLiteral("record %1 (%2, frame %3): %4")
                        .arg(i)
                        .arg(image.FileName)
                        .arg(offer.frame)
                        .arg(diff));
        if (image.Failed) {
            if (QFileInfo::exists(path))
                problem(QStringLiteral("failed record %1 has a file under its name %2").arg(i).arg(path));
            continue;
        }
        if (image.FileName.startsWith(QStringLiteral("IMG_")))
            ++r.rescued;
        storedPaths.insert(path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            problem(QStringLiteral("record %1: %2 is missing").arg(i).arg(path));
            continue;
        }
        const QByteArray bytes = file.readAll();
        if (bytes.size() != offer.size || simContentHash(bytes) != offer.hash)
            problem(QStringLiteral("record %1: %2 has %3 bytes, not the %4 the body sent as %5")
                        .arg(i)
                        .arg(path)
                        .arg(bytes.size())
                        .arg(offer.size)
                        .arg(offer.name));
    }

    QStringList unaccounted;
    for (size_t i = 0; i < recordOf.size(); ++i) {
        if (recordOf[i] < 0)
            unaccounted << QStringLiteral("%1 (frame %2)").arg(m_log.offers[i].name).arg(m_log.offers[i].frame);
    }
    // A file whose information could not be read is recorded as failed without a name.
    if (unaccounted.size() != r.failedUnnamed)
        problem(QStringLiteral("%1 offered files have no record, %2 failures have no name: %3")
                    .arg(unaccounted.size())
                    .arg(r.failedUnnamed)
                    .arg(unaccounted.mid(0, 10).join(QStringLiteral(", "))));

    for (const auto &[frame, f] : m_log.frames)
        r.lostFrames += f.offers == 0 ? 1 : 0;
    if (r.giveUps != r.lostFrames)
        problem(QStringLiteral("%1 pictures never came, but %2 waits gave up").arg(r.lostFrames).arg(r.giveUps));
    if (m_failureLines != r.failed)
        problem(QStringLiteral("%1 failed records, %2 failures in the log").arg(r.failed).arg(m_failureLines));

    // Everything under a picture's name is a complete picture with its record.
    for (const QString &root : {m_saveRoot, rescueFolder()}) {
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QStringLiteral(".part")))
                continue;
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                problem(QStringLiteral("%1 cannot be read").arg(path));
                continue;
            }
            const QByteArray bytes = file.readAll();
            if (!offeredContent.contains(simContentHash(bytes) + QLatin1Char(':') + QString::number(bytes.size())))
                problem(QStringLiteral("%1 (%2 bytes) is not a file the body sent").arg(path).arg(bytes.size()));
            if (!storedPaths.contains(path))
                problem(QStringLiteral("%1 has no record").arg(path));
        }
    }
}

} // namespace

SoakPlan SoakPlan::make(quint32 seed, int frames)
{
    SoakPlan plan;
    plan.seed = seed;
    plan.frames = frames;
    std::mt19937 rng(seed ^ 0x9e3779b9u);
    std::uniform_real_distribution<double> unit(0, 1);
    // Counts run past the frames wanted: the last release may take several.
    const auto some = [&](double share) {
        std::set<int> counts;
        for (int n = 1; n <= frames + 20; ++n) {
            if (unit(rng) < share)
                counts.insert(n);
        }
        return counts;
    };
    plan.busy = some(0.03);
    plan.failDownload = some(0.03);
    plan.lost = some(0.03);
    plan.failWrite = some(0.03);
    plan.disconnectGap = 120;
    return plan;
}

std::string SoakPlan::bodyConfig() const
{
    const QString text = QStringLiteral("camera=1;legacy=0;modedial=3;battery=80;processingtime=0;downloadspeed=0;"
                                        "picturesize=small;firstnumber=1;quality=0x0013FF0F;"
                                        "busyonrelease=%1;faildownload=%2;lostpicture=%3;failwrite=%4")
                             .arg(countList(busy), countList(failDownload), countList(lost), countList(failWrite));
    return text.toStdString();
}

QString SoakResult::summary() const
{
    return QStringLiteral("%1 releases, %2 frames, %3 files offered: %4 stored (%5 away from the target), "
                          "%6 failed (%7 without a name); %8 pictures lost, %9 waits gave up; "
                          "%10 disconnects, %11 reconnects, %12 sequences declined; clock moved %13 times for "
                          "lost pictures, %14 times after a long idle; %15 ms")
        .arg(releases)
        .arg(frames)
        .arg(offered)
        .arg(stored)
        .arg(rescued)
        .arg(failed)
        .arg(failedUnnamed)
        .arg(lostFrames)
        .arg(giveUps)
        .arg(disconnects)
        .arg(reconnects)
        .arg(sequencesDeclined)
        .arg(idleAdvances)
        .arg(fallbackAdvances)
        .arg(realMs);
}

SoakResult runSoak(const SoakPlan &plan, TForm1 &form, EventDispatcher &dispatcher, ManualClock &clock,
                   const QString &saveRoot)
{
    Soak soak(plan, form, dispatcher, clock, saveRoot);
    return soak.run();
}
