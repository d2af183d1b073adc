#include "pascal/engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>
#include <thread>

namespace {

using pascal::Compiler;
using pascal::Executor;
using pascal::HostCall;
using pascal::Message;

// The declarations the program gives every script.
const char* const kHostDeclarations = R"(
procedure Anzeige(s: string);
procedure Writeln(s: string);
function Einlesen(question: string): string;
function SetzePausenachBefehlauf(pause:integer) : integer ;
function bildanzeige(anzeige,viewer,bild:string) : integer ;
function ImportTest(S1: string; s2: Longint; s3: Byte; s4: word; var s5: string): string;
function hole(tid:string):string;
function istuebertragen():boolean;
function Setze(tid :string ; value : string;offset:integer) : integer ;
function zahlmitnullen(int:integer;Mask:string):string;
Function EBVBefehleFertig():boolean;
Function EBVBefehleUebrig():integer;
procedure cls();
Function Bild(index,offset:integer;eigenschaft:string):String;
Function ebvcommando(anwendung,commando:string;bWait,bshow,bdolater:boolean):boolean;
Function Liste (tid:string):String;
procedure warte(const Milliseconds: integer);
procedure Ausloesen();
var Memo2: TMemo; Self: TForm; Application: TApplication;
)";

struct Script {
    Compiler compiler;
    Executor exec;
    std::vector<std::string> out;

    bool compile(const std::string& text, const std::string& extra = {}) {
        compiler.addDeclarations(pascal::standardHostClasses);
        compiler.addDeclarations(kHostDeclarations);
        if (!extra.empty()) compiler.addDeclarations(extra);
        if (!compiler.compile(text, "main.rops")) return false;
        std::string error;
        EXPECT_TRUE(exec.load(compiler.program(), compiler.debugInfo(), &error)) << error;
        exec.registerFunction("Writeln", [this](HostCall& c) { out.push_back(c.string(0)); });
        return true;
    }
    std::string firstMessage() const {
        return compiler.messages().empty() ? std::string() : compiler.messages().front().format();
    }
};

TEST(PascalEngine, StopEndsAnEndlessLoopFromAHostEvent) {
    // An empty loop body has no statements: the stop must still be seen at the backward jump.
    const char* scripts[] = {
        "var n: Integer; begin n := 0; while True do begin n := n + 1; Tick; end; end.",
        "begin Tick; repeat until False; end.",
        "var i: Integer; begin for i := 0 to MaxInt do Tick; end.",
    };
    for (const char* text : scripts) {
        Script r;
        ASSERT_TRUE(r.compile(text, "procedure Tick; const MaxInt = 2147483647;")) << r.firstMessage();
        int ticks = 0;
        r.exec.registerFunction("Tick", [&](HostCall&) {
            if (++ticks == 1000 || std::string(text).find("repeat") != std::string::npos) r.exec.stop();
        });
        EXPECT_FALSE(r.exec.run()) << text;
        EXPECT_EQ(pascal::RuntimeError::Stopped, r.exec.error().code) << text;
    }
}

TEST(PascalEngine, StopFromAnotherThread) {
    Script r;
    ASSERT_TRUE(r.compile("var i: Integer; begin i := 0; while i >= 0 do i := (i + 1) mod 1000; end."));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        r.exec.stop();
    });
    EXPECT_FALSE(r.exec.run());
    stopper.join();
    EXPECT_EQ(pascal::RuntimeError::Stopped, r.exec.error().code);
}

TEST(PascalEngine, StopBeforeRunEndsThatRunAtOnce) {
    Script r;
    ASSERT_TRUE(r.compile("begin Writeln('ran'); end."));
    r.exec.stop();
    EXPECT_FALSE(r.exec.run());
    EXPECT_EQ(pascal::RuntimeError::Stopped, r.exec.error().code);
    EXPECT_TRUE(r.out.empty());
    // The stop is used up: the next run goes through.
    EXPECT_TRUE(r.exec.run());
    EXPECT_EQ(std::vector<std::string>{"ran"}, r.out);
}

// Each run keeps 700 kB more in a global while there is none yet in g, else in h.
const char* const kGrowingScript =
    "var g, h: string;\n"
    "begin\n"
    "  if Length(g) = 0 then g := StringOfChar('x', 700000) else h := StringOfChar('y', 700000);\n"
    "  Writeln('ok');\n"
    "end.";

pascal::Limits budgetOf(int64_t bytes) {
    pascal::Limits limits;
    limits.memoryBytes = bytes;
    return limits;
}

TEST(PascalEngine, MemoryBudgetIsPerEngineNotPerThread) {
    Script holder, other;
    ASSERT_TRUE(holder.compile(kGrowingScript));
    ASSERT_TRUE(other.compile(kGrowingScript));
    ASSERT_TRUE(holder.exec.run());
    // What another engine on this thread holds does not count against this one.
    other.exec.setLimits(budgetOf(1 << 20));
    EXPECT_TRUE(other.exec.run()) << other.exec.error().text;

    // What this engine holds counts, whichever thread runs it next.
    bool secondRun = true;
    std::thread([&] { secondRun = other.exec.run(); }).join();
    EXPECT_FALSE(secondRun);
    EXPECT_EQ("EOutOfMemory", other.exec.error().exceptionClass);
}

TEST(PascalEngine, LineCallbackSeesEveryExecutedLine) {
    Script r;
    ASSERT_TRUE(r.compile("var i: Integer;\n"
                          "begin\n"
                          "  for i := 1 to 2 do\n"
                          "    Writeln('x');\n"
                          "  if i = 2 then\n"
                          "    Writeln('y')\n"
                          "  else\n"
                          "    Writeln('z');\n"
                          "end.\n"));
    std::vector<int> lines;
    r.exec.setLineCallback([&](const pascal::SourcePos& p) { lines.push_back(p.line); });
    ASSERT_TRUE(r.exec.run());
    EXPECT_EQ((std::vector<int>{3, 4, 4, 5, 6}), lines);
    EXPECT_EQ((std::vector<std::string>{"x", "x", "y"}), r.out);
}

TEST(PascalEngine, StopFromTheLineCallback) {
    Script r;
    ASSERT_TRUE(r.compile("begin\n while True do\n  Writeln('a');\nend."));
    int count = 0;
    r.exec.setLineCallback([&](const pascal::SourcePos&) {
        if (++count == 15) r.exec.stop();
    });
    EXPECT_FALSE(r.exec.run());
    EXPECT_EQ(pascal::RuntimeError::Stopped, r.exec.error().code);
    EXPECT_EQ(13u, r.out.size());  // the loop line once, then 14 body lines, the last one stopped
}

TEST(PascalEngine, LoopsWithoutStatementsStillReachTheLineCallback) {
    // Nothing in these bodies is a statement of its own, so only the loop steps can call back.
    for (const char* text : {"begin\n while True do ;\nend.", "var i: Integer;\nbegin\n repeat until False;\nend.",
                             "var i, j: Integer;\nbegin\n while True do for i := 1 to 100000 do ;\nend."}) {
        SCOPED_TRACE(text);
        Script r;
        ASSERT_TRUE(r.compile(text));
        int calls = 0;
        r.exec.setLineCallback([&](const pascal::SourcePos&) {
            if (++calls == 50) r.exec.stop();
        });
        EXPECT_FALSE(r.exec.run());
        EXPECT_EQ(pascal::RuntimeError::Stopped, r.exec.error().code);
    }
}

TEST(PascalEngine, ImportTestVarParameter) {
    Script r;
    ASSERT_TRUE(r.compile("var s, t: string;\n"
                          "begin\n"
                          "  s := 'alt';\n"
                          "  t := ImportTest('a', -5, 200, 60000, s);\n"
                          "  Writeln(t); Writeln(s);\n"
                          "end."));
    r.exec.registerFunction("importtest", [](HostCall& c) {
        std::string res = c.string(0) + " " + std::to_string(c.integer(1)) + " " + std::to_string(c.integer(2)) +
                          " " + std::to_string(c.integer(3)) + " - OK!";
        c.setString(4, c.string(4) + " " + res + " -   OK2!");
        c.returnString(res);
    });
    ASSERT_TRUE(r.exec.run()) << r.exec.error().text;
    EXPECT_EQ((std::vector<std::string>{"a -5 200 60000 - OK!", "alt a -5 200 60000 - OK! -   OK2!"}), r.out);
}

TEST(PascalEngine, HostObjectsAndTheirMembers) {
    Script r;
    ASSERT_TRUE(r.compile("begin\n"
                          "  Memo2.Lines.Add('one');\n"
                          "  Self.Caption := 'Scripter  ' + Application.Title;\n"
                          "  Application.ProcessMessages;\n"
                          "  Memo2.Clear;\n"
                          "  Memo2.Text := Self.Caption;\n"
                          "end."));
    std::map<std::string, std::string> state{{"title", "T"}};
    int memo = 1, form = 2, app = 3;
    std::vector<std::string> calls;
    r.exec.registerFunction("TMemo.Lines", [](HostCall& c) { c.returnObject(c.object(0)); });
    r.exec.registerFunction("TStrings.Add", [&](HostCall& c) {
        calls.push_back("add " + c.string(1) + (c.object(0) == &memo ? " to memo" : ""));
    });
    r.exec.registerFunction("TMemo.Clear", [&](HostCall&) { calls.push_back("clear"); });
    r.exec.registerFunction("TMemo.Text:=", [&](HostCall& c) { calls.push_back("text " + c.string(1)); });
    r.exec.registerFunction("TControl.Caption", [&](HostCall& c) { c.returnString(state["caption"]); });
    r.exec.registerFunction("TControl.Caption:=", [&](HostCall& c) { state["caption"] = c.string(1); });
    r.exec.registerFunction("TApplication.Title", [&](HostCall& c) { c.returnString(state["title"]); });
    r.exec.registerFunction("TApplication.ProcessMessages", [&](HostCall& c) {
        calls.push_back(c.object(0) == &app ? "process" : "wrong object");
    });
    ASSERT_TRUE(r.exec.bindVariable("Memo2", &memo));
    ASSERT_TRUE(r.exec.bindVariable("self", &form));
    ASSERT_TRUE(r.exec.bindVariable("Application", &app));
    EXPECT_FALSE(r.exec.bindVariable("Nothing", &app));
    ASSERT_TRUE(r.exec.run()) << r.exec.error().text;
    EXPECT_EQ((std::vector<std::string>{"add one to memo", "process", "clear", "text Scripter  T"}), calls);
}

TEST(PascalEngine, HostFailuresBecomeScriptExceptions) {
    Script r;
    ASSERT_TRUE(r.compile("begin\n"
                          "  try hole('x'); except on E: Exception do Writeln('caught ' + E.Message); end;\n"
                          "  Liste('y');\n"
                          "end."));
    r.exec.registerFunction("hole", [](HostCall& c) { c.raise("no camera"); });
    EXPECT_FALSE(r.exec.run());
    EXPECT_EQ((std::vector<std::string>{"caught no camera"}), r.out);
    // Liste was declared but never bound.
    EXPECT_EQ(pascal::RuntimeError::Exception, r.exec.error().code);
    EXPECT_EQ(3, r.exec.error().line);
}

TEST(PascalEngine, UncaughtExceptionReportsProcedureAndPosition) {
    Script r;
    ASSERT_TRUE(r.compile("procedure A; begin end;\n"
                          "function Half(n: Integer): Integer;\n"
                          "begin\n"
                          "  Result := 10 div n;\n"
                          "end;\n"
                          "begin\n"
                          "  Writeln(IntToStr(Half(0)));\n"
                          "end."));
    EXPECT_FALSE(r.exec.run());
    const pascal::RuntimeError& e = r.exec.error();
    EXPECT_EQ("Division by zero", e.text);
    EXPECT_EQ("EDivByZero", e.exceptionClass);
    EXPECT_EQ(1, e.proc);  // procedures are numbered in declaration order from 0
    EXPECT_EQ("Half", r.exec.debugInfo()->procNames[size_t(e.proc)]);
    EXPECT_GT(e.position, 0);
    EXPECT_EQ(4, e.line);
    EXPECT_EQ(16, e.col);
}

TEST(PascalEngine, CompileMessagesPointAtTheirSource) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"begin\n  x := 1;\nend.", "[Error] main.rops(2:3): Unknown identifier 'x'"},
        {"uses Classes;\nbegin end.", "[Error] main.rops(1:6): Unknown identifier 'Classes'"},
        {"var s: string;\nbegin\n  s := 1 + 2;\nend.", "[Error] main.rops(3:8): Incompatible types: 'string' and 'Integer'"},
        {"begin\n  Writeln('a')\n  Writeln('b');\nend.", "[Error] main.rops(3:3): ';' expected but 'Writeln' found"},
        {"begin\n  Writeln('abc);\nend.", "[Error] main.rops(2:11): Unterminated string"},
        {"begin { never closed\nend.", "[Error] main.rops(1:7): Unterminated comment"},
        {"begin\n  Writeln(hole());\nend.", "[Error] main.rops(2:16): Not enough actual parameters"},
        {"var i: Integer;\nbegin\n  i := 1 div 0;\nend.", "[Error] main.rops(3:10): Division by zero"},
        {"procedure P(var x: Integer); begin end;\nbegin\n  P(3);\nend.", "[Error] main.rops(3:5): Variable required"},
        {"begin\n  break;\nend.", "[Error] main.rops(2:3): BREAK outside a loop"},
        {"function F: Integer; forward;\nbegin\nend.", "[Error] main.rops(1:10): Unsatisfied forward or external declaration: 'f'"},
        {"begin\n  Writeln('x');\nend", "[Error] main.rops(3:4): '.' expected but end of file found"},
        {"var x: Integer;\nbegin\n  x = 5;\nend.", "[Error] main.rops(3:5): ':=' expected but '=' found"},
        {"var x: Integer;\nbegin\n  if x > 1 then x := 1;\n  else x := 2;\nend.", "[Error] main.rops(3:23): ';' not allowed before 'ELSE'"},
        {"begin\n  cls(1);\nend.", "[Error] main.rops(2:7): Too many actual parameters"},
        {"type R = record X: Integer; end;\nprocedure P(const r: R);\nbegin\n  r.X := 1;\nend;\nbegin\nend.",
         "[Error] main.rops(4:3): Left side cannot be assigned to"},
        {"procedure P(const s: string);\nbegin\n  Delete(s, 1, 1);\nend;\nbegin\nend.", "[Error] main.rops(3:10): Variable required"},
        {"var s: string;\nbegin\n  s := 'a' - 'b';\nend.", "[Error] main.rops(3:12): Operator not applicable to this operand type"},
    };
    for (const Case& c : cases) {
        Script r;
        EXPECT_FALSE(r.compile(c.text)) << c.text;
        EXPECT_EQ(c.message, r.firstMessage()) << c.text;
    }
}

// Programs the reference compiler refuses, each with the message that says why.
TEST(PascalEngine, InvalidProgramsAreRefusedAtCompileTime) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"type A = (a1, a2); B = (b1, b2); SA = set of A; SB = set of B;\nvar x: SA; y: SB;\nbegin\n  x := x + y;\nend.",
         "[Error] main.rops(4:10): Incompatible types: 'SA' and 'SB'"},
        {"type A = (a1, a2); B = (b1, b2); SA = set of A; SB = set of B;\nvar x: SA; y: SB;\nbegin\n  if x = y then;\nend.",
         "[Error] main.rops(4:8): Incompatible types: 'SA' and 'SB'"},
        {"type TBytes = set of Byte;\nvar s: TBytes; c: Char;\nbegin\n  if c in s then;\nend.", "[Error] main.rops(4:8): Incompatible types: 'Char' and 'TBytes'"},
        {"var i: Integer;\nbegin\n  for i := 1 to 3 do\n    i := 5;\nend.", "[Error] main.rops(4:5): Illegal assignment to for-loop variable 'i'"},
        {"var i, n: Integer;\nbegin\n  for i := 1 to 3 do\n    for i := 1 to 2 do n := i;\nend.",
         "[Error] main.rops(4:9): Illegal assignment to for-loop variable 'i'"},
        {"var i: Integer;\nbegin\n  for i := 1 to 3 do Inc(i);\nend.", "[Error] main.rops(3:26): Illegal assignment to for-loop variable 'i'"},
        {"const a: 1..4 = 7;\nbegin\nend.", "[Error] main.rops(1:17): range check error while evaluating constants (7 must be between 1 and 4)"},
        {"var b: Byte;\nbegin\n  for b := 0 to 300 do;\nend.",
         "[Error] main.rops(3:17): range check error while evaluating constants (300 must be between 0 and 255)"},
        {"var a: array[1..5] of Integer;\nbegin\n  a[6] := 1;\nend.",
         "[Error] main.rops(3:5): range check error while evaluating constants (6 must be between 1 and 5)"},
        {"type C = (r, g);\nconst X = Succ(g);\nbegin\nend.", "[Error] main.rops(2:11): range check error while evaluating constants (2 must be between 0 and 1)"},
        {"var i: Integer;\nbegin\n  i := i mod 0;\nend.", "[Error] main.rops(3:10): Division by zero"},
        {"var x: Double;\nbegin\n  x := x / 0;\nend.", "[Error] main.rops(3:10): Division by zero"},
    };
    for (const Case& c : cases) {
        Script r;
        EXPECT_FALSE(r.compile(c.text)) << c.text;
        EXPECT_EQ(c.message, r.firstMessage()) << c.text;
    }
}

TEST(PascalEngine, MessagesInIncludedFilesNameThatFile) {
    std::map<std::string, std::string> files{
        {"lib/helpers.inc", "procedure Hello;\nbegin\n  Writeln('hi');\nend;\n{$I more.inc}\n"},
        {"lib/more.inc", "procedure Broken;\nbegin\n  Writeln(Nope);\nend;\n"},
    };
    Compiler c;
    c.addDeclarations("procedure Writeln(s: string);");
    std::vector<std::string> asked;
    c.setIncludeResolver([&](const std::string& name, const std::string& from) -> std::optional<pascal::IncludedFile> {
        std::string dir = from.find('/') == std::string::npos ? "" : from.substr(0, from.rfind('/') + 1);
        asked.push_back(dir + name);
        auto f = files.find(dir + name);
        if (f == files.end()) return std::nullopt;
        return pascal::IncludedFile{f->first, f->second};
    });
    EXPECT_FALSE(c.compile("program P;\n{$I lib/helpers.inc}\nbegin\n  Hello;\nend.", "main.rops"));
    EXPECT_EQ((std::vector<std::string>{"lib/helpers.inc", "lib/more.inc"}), asked);
    ASSERT_FALSE(c.messages().empty());
    EXPECT_EQ("[Error] lib/more.inc(3:11): Unknown identifier 'Nope'", c.messages()[0].format());

    EXPECT_FALSE(c.compile("{$I missing.inc}\nbegin end.", "main.rops"));
    EXPECT_EQ("[Error] main.rops(1:1): Cannot open include file: missing.inc", c.messages()[0].format());

    files["self.inc"] = "{$I self.inc}";
    EXPECT_FALSE(c.compile("{$I self.inc}\nbegin end.", "main.rops"));
    EXPECT_EQ("Includes nested too deeply: self.inc", c.messages()[0].text);
}

// Lists are saved and read as bytes (Windows-1252) with CR LF line ends; files that are not there
// are reported as script exceptions.
TEST(PascalEngine, StringListFilesAndFileRoutines) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("pascal-lists-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        std::ofstream(dir / "in.txt", std::ios::binary) << "Gr\xfc\xdf" "e\r\nzwei\nlast";
    }
    const std::string d = dir.string() + "/";
    Script r;
    ASSERT_TRUE(r.compile("var sl: TStringList; begin sl := TStringList.Create;"
                          "sl.LoadFromFile('" + d + "in.txt'); Writeln(sl.Count, ' ', sl[0], ' ', sl[2]);"
                          "sl.Add('\xe9'); sl.SaveToFile('" + d + "out.txt');"
                          "Writeln(FileExists('" + d + "out.txt'), FileExists('" + d + "'), DirectoryExists('" + d + "'));"
                          "try sl.LoadFromFile('" + d + "none.txt'); except on E: Exception do Writeln(E.Message); end;"
                          "sl.Free; end.")) << r.firstMessage();
    ASSERT_TRUE(r.exec.run()) << r.exec.error().text;
    std::ifstream in(dir / "out.txt", std::ios::binary);
    std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("Gr\xfc\xdf" "e\r\nzwei\r\nlast\r\n\xe9\r\n", saved);
    EXPECT_EQ((std::vector<std::string>{"3 Gr\xfc\xdf" "e last", "TRUEFALSETRUE", "Unable to open file \"" + d + "none.txt\""}), r.out);
    fs::remove_all(dir);
}

// ShowMessage and Memo2.Lines[i] are the host's: the engine declares them and calls what the
// host registers.
TEST(PascalEngine, ShowMessageAndMemoLinesGoToTheHost) {
    Script r;
    ASSERT_TRUE(r.compile("begin Memo2.Lines[1] := 'b'; ShowMessage(Memo2.Lines[1] + Memo2.Lines[0]); end.")) << r.firstMessage();
    std::vector<std::string> lines{"a", "x"};
    std::string shown;
    r.exec.bindVariable("Memo2", &lines);
    r.exec.registerFunction("TMemo.Lines", [](HostCall& c) { c.returnObject(c.object(0)); });
    r.exec.registerFunction("TStrings.Strings", [](HostCall& c) {
        c.returnString(static_cast<std::vector<std::string>*>(c.object(0))->at(size_t(c.integer(1))));
    });
    r.exec.registerFunction("TStrings.Strings:=", [](HostCall& c) {
        static_cast<std::vector<std::string>*>(c.object(0))->at(size_t(c.integer(1))) = c.string(2);
    });
    r.exec.registerFunction("ShowMessage", [&](HostCall& c) { shown = c.string(0); });
    ASSERT_TRUE(r.exec.run()) << r.exec.error().text;
    EXPECT_EQ("ba", shown);
    EXPECT_EQ("b", lines[1]);
}

TEST(PascalEngine, LoadRejectsDamagedCode) {
    Compiler c;
    ASSERT_TRUE(c.compile("var i, n: Integer; begin for i := 1 to 3 do n := i; end."));
    auto prog = std::make_shared<pascal::Program>(*c.program());
    for (pascal::Instr& in : prog->code)
        if (in.op == pascal::OP_JT) in.a = 1 << 30;
    Executor e;
    std::string error;
    EXPECT_FALSE(e.load(prog, c.debugInfo(), &error));
    EXPECT_EQ("Invalid instruction", error);
    EXPECT_FALSE(e.load(c.program(), std::make_shared<pascal::DebugInfo>(), &error));
    EXPECT_FALSE(e.run());
}

} // namespace

namespace {

TEST(PascalEngine, ExternalLibraryFunctions) {
    Script r;
    ASSERT_TRUE(r.compile("function labs(x: Int64): Int64; external 'labs@libc.so.6';\n"
                          "function strlen(s: string): Int64; cdecl; external 'strlen@libc.so.6';\n"
                          "function frexp(x: Double; var e: Integer): Double; external 'frexp@libm.so.6';\n"
                          "function Nope(x: Integer): Integer; external 'no_such_symbol@libc.so.6';\n"
                          "var e: Integer; m: Double;\n"
                          "begin\n"
                          "  Writeln(IntToStr(labs(-42)) + ' ' + IntToStr(strlen('hello')));\n"
                          "  m := frexp(48.0, e);\n"
                          "  Writeln(FloatToStr(m) + ' ' + IntToStr(e));\n"
                          "  try Nope(1); except on E: EExternal do Writeln(E.Message); end;\n"
                          "end."))
        << r.firstMessage();
    ASSERT_TRUE(r.exec.run()) << r.exec.error().text;
    EXPECT_EQ((std::vector<std::string>{"42 5", "0.75 6", "Cannot find 'no_such_symbol' in 'libc.so.6'"}), r.out);
}

TEST(PascalEngine, ExternalsCanBeRefused) {
    Compiler c;
    c.setExternalsAllowed(false);
    EXPECT_FALSE(c.compile("function labs(x: Int64): Int64; external 'labs@libc.so.6';\nbegin end."));
    EXPECT_EQ("[Error] (1:33): External functions are not allowed here", c.messages()[0].format());
}

} // namespace

namespace {

TEST(PascalEngine, AThrowingLineCallbackEndsTheRunCleanly) {
    Script r;
    ASSERT_TRUE(r.compile("var s: string;\nbegin\n  s := 'a';\n  Writeln(s);\nend."));
    r.exec.setLineCallback([](const pascal::SourcePos& p) {
        if (p.line == 4) throw std::runtime_error("host gave up");
    });
    EXPECT_FALSE(r.exec.run());
    EXPECT_EQ(pascal::RuntimeError::Internal, r.exec.error().code);
    EXPECT_EQ("Internal error: host gave up", r.exec.error().text);
    r.exec.setLineCallback(nullptr);
    EXPECT_TRUE(r.exec.run());
    EXPECT_EQ((std::vector<std::string>{"a"}), r.out);
}

} // namespace

namespace {

// A script as users write them, against the program's declarations with stub functions.
TEST(PascalEngine, TypicalUserScriptAgainstTheHostDeclarations) {
    Script r;
    ASSERT_TRUE(r.compile("Program Test;\r\n"
                          "var\r\n"
                          "  i: integer;\r\n"
                          "  iso, s5: string;\r\n"
                          "Begin\r\n"
                          "  cls();\r\n"
                          "  SetzePausenachBefehlauf(200);\r\n"
                          "  for i := 1 to 2 do\r\n"
                          "  begin\r\n"
                          "    Setze('ISO','400',0);\r\n"
                          "    Ausloesen();\r\n"
                          "    warte(1000*01);\r\n"
                          "    Anzeige('Bild ' + zahlmitnullen(i, '000') + ': ' + Bild(0,0,'PFAD'));\r\n"
                          "  end;\r\n"
                          "  iso := hole('ISO');\r\n"
                          "  if (iso <> '') and istuebertragen() then Anzeige('ISO ist ' + iso);\r\n"
                          "  while not EBVBefehleFertig() do warte(10);\r\n"
                          "  ebvcommando('convert', '#PATHBEGIN x #PATHEND', True, False, False);\r\n"
                          "  bildanzeige('AN', 'INTERN', '');\r\n"
                          "  Anzeige(Liste('AV') + IntToStr(EBVBefehleUebrig()) + Einlesen('?'));\r\n"
                          "End.\r\n"))
        << r.firstMessage();
    // Each stub records its name and its arguments as the declarations type them.
    std::vector<std::string> calls;
    auto record = [&](const std::string& name, const std::string& types, std::function<void(HostCall&)> result = {}) {
        r.exec.registerFunction(name, [&calls, name, types, result](HostCall& c) {
            std::string line = name;
            for (int i = 0; i < c.count(); ++i) {
                line += ' ';
                if (types[size_t(i)] == 's')
                    line += c.string(i);
                else
                    line += std::to_string(c.integer(i));
            }
            calls.push_back(line);
            if (result) result(c);
        });
    };
    record("cls", "");
    record("SetzePausenachBefehlauf", "i");
    record("Setze", "ssi");
    record("Ausloesen", "");
    record("warte", "i");
    record("Anzeige", "s");
    record("zahlmitnullen", "is", [](HostCall& c) { c.returnString(std::string("00").append(std::to_string(c.integer(0)))); });
    record("Bild", "iis", [](HostCall& c) { c.returnString("/p/IMG.JPG"); });
    record("hole", "s", [](HostCall& c) { c.returnString("400"); });
    record("istuebertragen", "", [](HostCall& c) { c.returnBoolean(true); });
    int pending = 2;
    record("EBVBefehleFertig", "", [&pending](HostCall& c) { c.returnBoolean(pending-- <= 0); });
    record("ebvcommando", "ssiii", [](HostCall& c) { c.returnBoolean(false); });
    record("bildanzeige", "sss");
    record("Liste", "s", [](HostCall& c) { c.returnString("0072  :  5.6*\r\n"); });
    record("EBVBefehleUebrig", "", [](HostCall& c) { c.returnInteger(3); });
    record("Einlesen", "s", [](HostCall& c) { c.returnString("!"); });
    ASSERT_TRUE(r.exec.run()) << r.exec.error().text;
    const std::vector<std::string> expected = {
        "cls", "SetzePausenachBefehlauf 200",
        "Setze ISO 400 0", "Ausloesen", "warte 1000", "zahlmitnullen 1 000", "Bild 0 0 PFAD",
        "Anzeige Bild 001: /p/IMG.JPG",
        "Setze ISO 400 0", "Ausloesen", "warte 1000", "zahlmitnullen 2 000", "Bild 0 0 PFAD",
        "Anzeige Bild 002: /p/IMG.JPG",
        "hole ISO", "istuebertragen", "Anzeige ISO ist 400",
        "EBVBefehleFertig", "warte 10", "EBVBefehleFertig", "warte 10", "EBVBefehleFertig",
        "ebvcommando convert #PATHBEGIN x #PATHEND 1 0 0", "bildanzeige AN INTERN ",
        "Liste AV", "EBVBefehleUebrig", "Einlesen ?", "Anzeige 0072  :  5.6*\r\n3!"};
    EXPECT_EQ(expected, calls);
}

} // namespace
