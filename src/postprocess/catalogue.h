#pragma once

#include "platform/result.h"
#include "postprocess/commandqueue.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// An ordered list that owns its elements: removing an element frees it, and an element keeps
// its address while others are added or removed.
template<typename T>
class OwningList
{
public:
    int count() const { return int(m_items.size()); }
    T *item(int index) const { return m_items.at(size_t(index)).get(); }
    T *append(std::unique_ptr<T> element)
    {
        m_items.push_back(std::move(element));
        return m_items.back().get();
    }
    void remove(int index) { m_items.erase(m_items.begin() + index); }
    // The index of the first element named exactly name, or -1.
    int find(const QString &name) const
    {
        for (int i = 0; i < count(); ++i) {
            if (m_items[size_t(i)]->Name == name)
                return i;
        }
        return -1;
    }

private:
    std::vector<std::unique_ptr<T>> m_items;
};

// One typed parameter of a command, in command-line order.
struct TExternCommandParam
{
    QString Name;
    QString Type;     // stored (English) type name
    QString Text;     // fixed text, as a rule the switch before the value
    QString Opt1opts; // comma text
    QString Opt2opts;
};

class TExternCommandParams : public OwningList<TExternCommandParam>
{
};

struct TExterncommand
{
    QString Name;
    TExternCommandParams Params;
};

class TExternApplication
{
public:
    QString Name;

    const QString &Path() const { return m_path; }
    // True when Path names a program that can start here.
    bool PathExists() const { return m_pathExists; }
    void SetApplicationPath(const QString &path);

    OwningList<TExterncommand> Commands;

    std::unique_ptr<TExterncommand> CopyCommand(const TExterncommand &source) const;

private:
    friend std::unique_ptr<TExternApplication> copyOf(const TExternApplication &source);
    QString m_path;
    bool m_pathExists = false;
};

// What each parameter type contributes to a command line.
enum class PieceRule { TextAndValue, ValueAlone, Nothing, TwoPieces };

struct ParamType
{
    const char *stored;
    const char *shown;
    PieceRule rule;
};

// The thirteen parameter types; a type's position is its number.
const QList<ParamType> &paramTypes();
// The position of a stored type name, -1 when unknown.
int paramTypeIndex(const QString &stored);
QString storedTypeNames(); // comma text
QString shownTypeNames();  // comma text

// Placeholders of the path parameters: the caption the builder offers, the token it inserts.
struct Placeholder
{
    const char *caption;
    const char *token;
};
const QList<Placeholder> &placeholders();

// One built command line as parallel rows: row 0 is the application, then one per parameter.
struct TCommandstrings
{
    QStringList Names;
    QStringList Types;
    QStringList Pieces;
};

// values[k] is the value for parameter k, keyed by position so that parameters of the same
// name keep their own values; a missing or empty optional means no control gave one.
using ParamValues = QList<std::optional<QString>>;

TCommandstrings BuildCommandstrings(const TExternApplication &application,
                                    const TExterncommand &command, const ParamValues &values);
// Values go in unchanged: a value with blanks becomes several arguments when run.
QString BuildCommandLine(const TExternApplication &application, const TExterncommand &command,
                         const ParamValues &values);

// The catalogue of external applications; it owns the command queue's worker.
class TExternApplications
{
public:
    OwningList<TExternApplication> Applications;

    std::unique_ptr<TExternApplication> CopyApplication(const TExternApplication &source) const;
    int FindApplication(const QString &name) const { return Applications.find(name); }

    // On a missing or unreadable file nothing changes and the failure carries the message
    // to show. Values are read in full.
    Result<> LoadCatalogue(const QString &fileName);
    // Replaces every application section of the file, so no deleted entry comes back, and
    // remembers the name for the next plain save.
    Result<> SaveCatalogue(const QString &fileName);
    const QString &FileName() const { return m_fileName; }
    bool Loaded() const { return m_loaded; }

    // The command queue's operations.
    Result<> QueueCommand(const QString &commandFile, const QString &program,
                          const QString &arguments, bool wait, bool show, bool doLater)
    {
        return m_queue.QueueCommand(commandFile, program, arguments, wait, show, doLater);
    }
    void StartWorker() { m_queue.StartWorker(); }
    void StopWorker() { m_queue.StopWorker(); }
    int PendingCommandCount() const { return m_queue.PendingCommandCount(); }
    bool WorkerRunning() const { return m_queue.WorkerRunning(); }
    void SetNotifyWindow(QObject *window) { m_queue.SetNotifyWindow(window); }
    TKommandoThread *Worker() const { return m_queue.Worker(); }

private:
    QString m_fileName;
    bool m_loaded = false;
    CommandQueue m_queue;
};
