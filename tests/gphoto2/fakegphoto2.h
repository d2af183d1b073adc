// A link-level stand-in for the few libgphoto2 calls the bridge makes: one body whose
// configuration widgets, files and events a test sets.
#pragma once

#include <string>
#include <vector>

namespace fakegp {

struct Widget {
    std::string name;
    std::string value;
    std::vector<std::string> choices; // empty: a text widget
    bool readonly = false;
};

void reset();
void addCamera(const std::string& model, const std::string& port);
void failInit(int gpResult);
void setWidget(const Widget& widget);
std::string widgetValue(const std::string& name);
// Changes a value as the body's own controls do, and tells the bridge by an event.
void turnWidget(const std::string& name, const std::string& value);
// A file the body made: announced by a file-added event, its bytes ready for transfer.
void addFile(const std::string& name, const std::string& bytes);
// The cable is pulled: every later call fails as USB does.
void disconnect();
// Every later wait for an event fails with `gpResult` (a body that keeps answering an error).
void failEvents(int gpResult);
int eventWaits(); // calls of the wait for an event so far

int captures();
std::vector<std::string> writes(); // "name=value", in order

} // namespace fakegp
