#pragma once

#include <QString>

#include <functional>
#include <optional>

// The key grammar of the key-sending remote, apart from any window system. A text is read
// character by character: "+", "^" and "%" hold Shift, Ctrl and Alt; "(" ... ")" keeps them
// held for a group; "~" is Enter; "{NAME}" or "{NAME COUNT}" a named key or one character,
// "{{}" and "{}}" the braces; any other character is the key that types it.

enum class Modifier { Shift, Ctrl, Alt };

// Synthesises the keys. Named keys come as the key codes of the name table.
class KeySender
{
public:
    virtual ~KeySender() = default;
    virtual void press(Modifier modifier) = 0;
    virtual void release(Modifier modifier) = 0;
    // Types `character` `count` times with the modifiers the keyboard layout needs for it;
    // false (nothing sent) when no key types it.
    virtual bool typeCharacter(QChar character, int count) = 0;
    virtual void sendKey(int keyCode, int count) = 0;
    virtual void toggleNumLock() = 0;
};

// The key code of a name of the table ("ENTER", "BS", "F12", ...); upper case.
std::optional<int> keyCodeOfName(const QString &name);

inline constexpr int VkNumLock = 144;
// More repetitions than this are cut to it, so that a mistyped count cannot keep the
// program busy for hours.
inline constexpr int MaxRepeatCount = 1000;

struct SendKeysResult
{
    bool done = false; // the text was processed to its end
    QString error;     // a repeat count that is not a number, as the toolkit words it
};

// Sends `text`; `message` shows the grammar's messages ("Invalid KeyName",
// "Invalid Key Name", "No Close"). False for an empty text, an unclosed brace and a bad
// repeat count; keys sent before stay sent.
SendKeysResult SendKeys(const QString &text, KeySender &sender,
                        const std::function<void(const QString &message)> &message);
