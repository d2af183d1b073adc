// Compiles every input as a script and runs what compiles, with tight limits and a watchdog
// that stops endless runs. Neither stage may crash, leak or hang.
#include "pascal/engine.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace {

const char* const kDeclarations = R"(
procedure Writeln(s: string);
procedure Anzeige(s: string);
function ImportTest(S1: string; s2: Longint; s3: Byte; s4: word; var s5: string): string;
var Memo2: TMemo; Self: TForm; Application: TApplication;
)";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    pascal::Compiler compiler;
    compiler.setExternalsAllowed(false);
    compiler.addDeclarations(pascal::standardHostClasses);
    compiler.addDeclarations(kDeclarations);
    compiler.setIncludeResolver([](const std::string& name, const std::string&) -> std::optional<pascal::IncludedFile> {
        if (name == "inc.pas") return pascal::IncludedFile{"inc.pas", "procedure Included; begin Writeln('i'); end;"};
        return std::nullopt;
    });
    if (!compiler.compile(text, "fuzz.rops")) return 0;

    pascal::Executor ex;
    pascal::Limits limits;
    limits.callDepth = 200;
    limits.stackSlots = 1 << 14;
    limits.memoryBytes = int64_t(64) << 20;
    limits.maxStringLength = int64_t(1) << 20;
    limits.maxArrayLength = int64_t(1) << 16;
    ex.setLimits(limits);
    if (!ex.load(compiler.program(), compiler.debugInfo())) return 0;
    int value = 0;
    auto sink = [](pascal::HostCall& c) { (void)c.string(0); };
    ex.registerFunction("Writeln", sink);
    ex.registerFunction("Anzeige", sink);
    ex.registerFunction("ImportTest", [](pascal::HostCall& c) {
        c.setString(4, c.string(0));
        c.returnString(c.string(4));
    });
    ex.registerFunction("TMemo.Lines", [](pascal::HostCall& c) { c.returnObject(c.object(0)); });
    ex.registerFunction("TStrings.Add", [](pascal::HostCall& c) { (void)c.string(1); });
    ex.registerFunction("TControl.Caption", [](pascal::HostCall& c) { c.returnString("caption"); });
    ex.bindVariable("Memo2", &value);
    ex.bindVariable("Self", &value);
    // Odd sizes run the code without line markers.
    int lines = 0;
    if (size % 2 == 0)
        ex.setLineCallback([&](const pascal::SourcePos&) {
            if (++lines > 20000) ex.stop();
        });

    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(m);
        if (!cv.wait_for(lock, std::chrono::milliseconds(200), [&] { return done; })) ex.stop();
    });
    ex.run();
    {
        std::lock_guard<std::mutex> lock(m);
        done = true;
    }
    cv.notify_one();
    watchdog.join();
    return 0;
}
