#include "pascal/console.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace pascal {

namespace {

const char* const kRunnerDeclarations = R"(
procedure Anzeige(s: string);
procedure Writeln(s: string);
var
  Memo2: TMemo;
  Self: TForm;
  Application: TApplication;
)";

struct Objects {
    std::function<void(const std::string&)> print;
    std::string memoText;
    std::string caption = "Pascal Script";
    std::string title = "tessaro-pascal";
    int lines = 0;
};

void printLine(Objects& o, const std::string& s) {
    o.print(s);
    o.memoText += s + "\r\n";
    ++o.lines;
}

// The memo's lines, as Memo2.Lines[i] reads and writes them.
std::vector<std::string> memoLines(const Objects& o) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < o.memoText.size();) {
        size_t end = o.memoText.find("\r\n", start);
        if (end == std::string::npos) end = o.memoText.size();
        lines.push_back(o.memoText.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void lineAccess(Executor& ex, Objects& o) {
    ex.registerFunction("TStrings.Strings", [&o](HostCall& c) {
        auto lines = memoLines(o);
        int64_t i = c.integer(1);
        if (i < 0 || uint64_t(i) >= lines.size()) return c.raise("List index (" + std::to_string(i) + ") out of bounds");
        c.returnString(lines[size_t(i)]);
    });
    ex.registerFunction("TStrings.Strings:=", [&o](HostCall& c) {
        auto lines = memoLines(o);
        int64_t i = c.integer(1);
        if (i < 0 || uint64_t(i) >= lines.size()) return c.raise("List index (" + std::to_string(i) + ") out of bounds");
        lines[size_t(i)] = c.string(2);
        o.memoText.clear();
        for (const std::string& l : lines) o.memoText += l + "\r\n";
    });
    ex.registerFunction("ShowMessage", [&o](HostCall& c) { o.print("[ShowMessage] " + c.string(0)); });
}

void registerHost(Executor& ex, Objects& o) {
    lineAccess(ex, o);
    auto line = [&o](HostCall& c) { printLine(o, c.string(0)); };
    ex.registerFunction("Anzeige", line);
    ex.registerFunction("Writeln", line);
    ex.registerFunction("TStrings.Add", [&o](HostCall& c) { printLine(o, c.string(1)); });
    ex.registerFunction("TStrings.Clear", [&o](HostCall&) { o.memoText.clear(); o.lines = 0; });
    ex.registerFunction("TStrings.Text", [&o](HostCall& c) { c.returnString(o.memoText); });
    ex.registerFunction("TStrings.Text:=", [&o](HostCall& c) { o.memoText = c.string(1); });
    ex.registerFunction("TStrings.Count", [&o](HostCall& c) { c.returnInteger(o.lines); });
    ex.registerFunction("TMemo.Lines", [](HostCall& c) { c.returnObject(c.object(0)); });
    ex.registerFunction("TMemo.Clear", [&o](HostCall&) { o.memoText.clear(); o.lines = 0; });
    ex.registerFunction("TMemo.Text", [&o](HostCall& c) { c.returnString(o.memoText); });
    ex.registerFunction("TMemo.Text:=", [&o](HostCall& c) { o.memoText = c.string(1); });
    ex.registerFunction("TControl.Caption", [&o](HostCall& c) { c.returnString(o.caption); });
    ex.registerFunction("TControl.Caption:=", [&o](HostCall& c) { o.caption = c.string(1); });
    ex.registerFunction("TApplication.ProcessMessages", [](HostCall&) {});
    ex.registerFunction("TApplication.Title", [&o](HostCall& c) { c.returnString(o.title); });
    ex.registerFunction("TApplication.Title:=", [&o](HostCall& c) { o.title = c.string(1); });
    ex.registerFunction("TObject.ClassName", [](HostCall& c) { c.returnString("TObject"); });
}

} // namespace

IncludeResolver fileIncludeResolver() {
    return [](const std::string& name, const std::string& from) -> std::optional<IncludedFile> {
        std::filesystem::path p = std::filesystem::path(from).parent_path() / name;
        std::ifstream in(p, std::ios::binary);
        if (!in) return std::nullopt;
        std::ostringstream s;
        s << in.rdbuf();
        return IncludedFile{p.string(), s.str()};
    };
}

int runConsoleScript(const std::string& text, const std::string& fileName, const ConsoleOptions& options) {
    Compiler compiler;
    compiler.addDeclarations(standardHostClasses);
    compiler.addDeclarations(kRunnerDeclarations);
    compiler.setIncludeResolver(options.resolver);
    bool ok = compiler.compile(text, fileName);
    options.print(ok ? "Succesfully compiled" : "Failed when compiling");
    for (const Message& m : compiler.messages()) options.print(m.format());
    if (!ok) return 1;

    Executor ex;
    std::string error;
    if (!ex.load(compiler.program(), compiler.debugInfo(), &error)) {
        options.print("[Error] : Could not load data: " + error);
        return 2;
    }
    Objects objects;
    objects.print = options.print;
    registerHost(ex, objects);
    ex.bindVariable("Memo2", &objects);
    ex.bindVariable("Self", &objects);
    ex.bindVariable("Application", &objects);
    if (options.beforeRun) options.beforeRun(ex);
    if (!ex.run()) {
        const RuntimeError& e = ex.error();
        options.print("[Runtime Error] : " + e.text + " in " + std::to_string(e.proc) + " at " + std::to_string(e.position));
        return 2;
    }
    options.print("Successfully executed");
    return 0;
}

} // namespace pascal
