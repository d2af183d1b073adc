#pragma once

#include <QString>

#include <optional>
#include <utility>

// Why an operation failed, as its caller may show it.
struct Failure
{
    QString message;
};

// What an operation that may fail gives back: its value, or the message that says why not.
// Failures are returned, never thrown.
template<typename T = void>
class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_error(std::move(failure.message)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const T &operator*() const { return *m_value; }
    const T *operator->() const { return &*m_value; }
    // Empty on success.
    const QString &error() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};

template<>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_error(std::move(failure.message)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString &error() const { return m_error; }

private:
    QString m_error;
    bool m_failed = false;
};
