// tests/vbscript/ContainmentTest.cpp: a hostile or careless script cannot take the host
// down: deep values are freed without deep recursion, reference cycles do not outlive the
// run, and the time and memory limits stop a script even inside one long built-in call.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"
#include "vbscript/RunLimits.h"

namespace {

using vbscript::Interpreter;

// Far above what any program here needs: only the time limit test may meet its limit,
// however loaded the machine.
struct Limits {
    std::chrono::milliseconds time = std::chrono::hours(1);
    size_t memory = vbscript::kDefaultMemoryLimitBytes;
};

// Runs a program in an interpreter of its own; the script error it ends with, if any.
std::optional<vbscript::ScriptError> RunScript(const std::string& text, Limits limits = {}) {
    try {
        Interpreter interp;
        interp.SetDeadline(Interpreter::Clock::now() + limits.time);
        interp.SetMemoryLimit(limits.memory);
        interp.Run(interp.Load(vbscript::ParseProgram(text, 0)));
    } catch (const vbscript::ScriptError& error) {
        return error;
    }
    return std::nullopt;
}

constexpr int kOutOfMemory = 7;
constexpr int kStopped = 18;

// The structures are built, used, dropped by the script and dropped with the interpreter;
// each is 50,000 to 200,000 levels deep, far past what recursive freeing survives.
TEST(Containment, DeepValuesAreFreedWithoutDeepRecursion) {
    const char* const programs[] = {
        "For i = 1 To 200000 : a = Array(a) : Next\n",
        "For i = 1 To 50000 : a = Array(a) : Next\nb = a : a = Empty\nb = 0\n",
        "Set d = Nothing\nFor i = 1 To 50000\n"
        "Set n = CreateObject(\"Scripting.Dictionary\") : n.Add 1, d : Set d = n\nNext\n",
        "Class Node\nPublic nextNode\nEnd Class\nSet head = Nothing\nFor i = 1 To 50000\n"
        "Set n = New Node : Set n.nextNode = head : Set head = n\nNext\n",
        "Dim a(0)\nFor i = 1 To 50000\nSet d = CreateObject(\"Scripting.Dictionary\")\n"
        "d.Add 1, a : a(0) = Array(d)\nNext\n",
    };
    int64_t before = vbscript::LiveScriptRecords();
    for (const char* program : programs) {
        std::optional<vbscript::ScriptError> error =
            RunScript(program, Limits{std::chrono::hours(1), size_t{1} << 30});
        EXPECT_FALSE(error) << program << error->description;
        EXPECT_EQ(before, vbscript::LiveScriptRecords()) << program;
    }
}

TEST(Containment, ReferenceCyclesDoNotOutliveTheRun) {
    const char* const programs[] = {
        "Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add 1, d\n",
        // Dropped by the script itself: only the end of the run can free them.
        "Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add 1, d\nSet d = Nothing\n",
        "Class P\nPublic other\nEnd Class\nSet a = New P : Set b = New P\n"
        "Set a.other = b : Set b.other = a : Set a = Nothing : Set b = Nothing\n",
        "Class P\nPublic items\nEnd Class\nSet a = New P\nSet d = "
        "CreateObject(\"Scripting.Dictionary\")\nd.Add \"k\", Array(a, d) : a.items = "
        "Array(d)\n",
        "Sub Leak\nDim d : Set d = CreateObject(\"Scripting.Dictionary\") : d.Add 1, d\n"
        "End Sub\nFor i = 1 To 1000 : Leak : Next\n",
        // Class_Terminate keeping Me, in a variable or in a cycle, does not keep it for ever.
        "Class T\nSub Class_Terminate : Set keep = Me : End Sub\nEnd Class\n"
        "Set t = New T : Set t = Nothing\n",
        "Class T\nPublic me2\nSub Class_Terminate : Set keep = Me : End Sub\nEnd Class\n"
        "Set t = New T : Set t.me2 = t\n",
    };
    int64_t before = vbscript::LiveScriptRecords();
    for (const char* program : programs) {
        std::optional<vbscript::ScriptError> error = RunScript(program);
        EXPECT_FALSE(error) << program << error->description;
        EXPECT_EQ(before, vbscript::LiveScriptRecords()) << program;
    }
}

// Each program spends its time inside single built-in calls (or in one operator), which
// take far longer than the limit: the in-call checks must stop them, with the fatal
// error On Error Resume Next cannot swallow.
TEST(Containment, TimeLimitStopsLongBuiltInCalls) {
    const char* const programs[] = {
        "On Error Resume Next\ns = Space(16000000)\nx = Replace(s, \" \", \"ab\")\nok = 1\n",
        "On Error Resume Next\ns = Space(16000000)\nx = Replace(s, \" \", \"AB\", 1, -1, 1)\n",
        "On Error Resume Next\na = Split(String(16000000, \"x\"), \"x\")\n",
        "On Error Resume Next\nReDim a(500000)\nx = Join(a, String(100, \"-\"))\n",
        "On Error Resume Next\nSet r = New RegExp : r.Global = True : r.Pattern = \"a\"\n"
        "x = r.Replace(String(16000000, \"a\"), \"bb\")\n",
        "On Error Resume Next\nDo\ns = Space(10000000) & Space(10000000)\nLoop\n",
    };
    for (const char* program : programs) {
        Limits limits;
        limits.time = std::chrono::milliseconds(20);
        limits.memory = size_t{2} << 30;
        std::optional<vbscript::ScriptError> error = RunScript(program, limits);
        ASSERT_TRUE(error) << program;
        EXPECT_EQ(kStopped, error->number) << program;
        EXPECT_TRUE(error->fatal) << program;
        EXPECT_NE(std::string::npos, error->description.find("Script Timeout Milliseconds"));
    }
}

TEST(Containment, MemoryCapStopsTheScript) {
    const char* const programs[] = {
        "On Error Resume Next\ns = \"x\"\nDo : s = s & s : Loop\n",
        "On Error Resume Next\nSet d = CreateObject(\"Scripting.Dictionary\")\n"
        "Do : d.Add d.Count, Space(100000) : Loop\n",
        "On Error Resume Next\nDim a()\nDo : n = n + 1 : ReDim Preserve a(n) : a(n) = "
        "Space(1000000) : Loop\n",
        "On Error Resume Next\nDo : ReDim b(10000) : a = Array(a, b) : Loop\n",
        "On Error Resume Next\nx = Space(16000000)\ny = x & x & x & x\n",
        "On Error Resume Next\nSet r = New RegExp : r.Global = True : r.Pattern = \"\"\n"
        "Set m = r.Execute(Space(2000000))\n",
        "On Error Resume Next\nReDim a(10000000)\n",
    };
    for (const char* program : programs) {
        std::optional<vbscript::ScriptError> error = RunScript(program);
        ASSERT_TRUE(error) << program;
        EXPECT_EQ(kOutOfMemory, error->number) << program;
        EXPECT_TRUE(error->fatal) << program;
    }
    // The cap is the one set: a script well under it runs to its end.
    EXPECT_FALSE(RunScript("x = Space(16000000)\ny = x & x & x & x\n",
                           Limits{std::chrono::hours(1), size_t{512} << 20}));
}

// Bounds anywhere up to the largest Long are refused with an error, never a wrapped size.
TEST(Containment, ReDimBoundsAreChecked) {
    const char* const programs[] = {
        "ReDim a(2147483647)\n",          "ReDim a(2147483647, 2147483647)\n",
        "ReDim a(65535, 65535, 65535)\n", "ReDim a(-2)\n",
        "ReDim a(2147483648)\n",          "Dim a()\nReDim Preserve a(1000000000)\n",
    };
    for (const char* program : programs) {
        std::optional<vbscript::ScriptError> error = RunScript(program);
        ASSERT_TRUE(error) << program;
        EXPECT_TRUE(error->number == kOutOfMemory || error->number == 9 || error->number == 6)
            << program << " " << error->number;
    }
    EXPECT_FALSE(RunScript("ReDim a(-1)\nReDim a(99, 99)\na(99, 99) = 1\n"));
}

}  // namespace

// Texts built from a counter are each parsed once: only the most recent stay parsed, while
// what they declared (procedures, a procedure's local variables) keeps working after their
// parse is dropped.
TEST(Containment, EvalAndExecuteKeepABoundedNumberOfParsedTexts) {
    const char* const program =
        "ExecuteGlobal \"Function Early() : Early = 42 : End Function\"\n"
        "total = 0\n"
        "Sub Work()\n"
        "  For i = 1 To 1000\n"
        "    Execute \"Dim v\" & i & \" : v\" & i & \" = \" & i\n"
        "    total = total + Eval(\"v\" & i)\n"
        "  Next\n"
        "  total = total + v1 + v1000\n"
        "End Sub\n"
        "Work\n"
        "For i = 1 To 1000\n"
        "  ExecuteGlobal \"Function F\" & i & \"() : F\" & i & \" = \" & i & \" : End Function\"\n"
        "Next\n"
        "result = Early() + F1() + F1000()\n";
    Interpreter interp;
    interp.SetDeadline(Interpreter::Clock::now() + std::chrono::hours(1));
    interp.Run(interp.Load(vbscript::ParseProgram(program, 0)));
    EXPECT_LE(interp.RuntimeTextCount(), vbscript::kMaxRuntimeTexts);
    EXPECT_GT(interp.RuntimeTextCount(), 0u);
    EXPECT_EQ(500500 + 1 + 1000, vbscript::ToLong(interp.FindGlobal("total")->value));
    EXPECT_EQ(1043, vbscript::ToLong(interp.FindGlobal("result")->value));
}
