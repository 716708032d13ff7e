// tests/vbscript/MalformedProgramTest.cpp: compilation errors carry the number, line and
// column Microsoft's engine gives; broken and truncated programs end in a clean script error.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "vbscript/CommandHost.h"
#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"

namespace {

struct CompileCase {
    const char* program;
    const char* error;  // "(line, column) number: text" as the host prints it
};

const CompileCase kCompileCases[] = {
    {"x = 1 +* 2", "(1, 8) Microsoft VBScript compilation error 1023: Expected expression"},
    {"Else", "(1, 1) Microsoft VBScript compilation error 1024: Expected statement"},
    {"x = 1 2", "(1, 7) Microsoft VBScript compilation error 1025: Expected end of statement"},
    {"On Error Resume", "(1, 16) Microsoft VBScript compilation error 1002: Syntax error"},
    {"x = (1", "(1, 7) Microsoft VBScript compilation error 1006: Expected ')'"},
    {"Dim 5", "(1, 5) Microsoft VBScript compilation error 1010: Expected identifier"},
    {"Const a 1", "(1, 9) Microsoft VBScript compilation error 1011: Expected '='"},
    {"If 1 Then\nEnd Sub", "(2, 5) Microsoft VBScript compilation error 1012: Expected 'If'"},
    {"For i = 1 5\nNext", "(1, 11) Microsoft VBScript compilation error 1013: Expected 'To'"},
    {"Function f\nEnd Sub",
     "(2, 5) Microsoft VBScript compilation error 1015: Expected 'Function'"},
    {"Sub s\nEnd Function", "(2, 5) Microsoft VBScript compilation error 1016: Expected 'Sub'"},
    {"If 1 Then", "(1, 10) Microsoft VBScript compilation error 1014: Expected 'End'"},
    {"If 1\nEnd If", "(1, 5) Microsoft VBScript compilation error 1017: Expected 'Then'"},
    {"While 1\nLoop", "(2, 1) Microsoft VBScript compilation error 1018: Expected 'Wend'"},
    {"Do\nWend", "(2, 1) Microsoft VBScript compilation error 1019: Expected 'Loop'"},
    {"For i = 1 To 2\nLoop", "(2, 1) Microsoft VBScript compilation error 1020: Expected 'Next'"},
    {"Select 1", "(1, 8) Microsoft VBScript compilation error 1021: Expected 'Case'"},
    {"Select Case 1\nEnd If",
     "(2, 5) Microsoft VBScript compilation error 1022: Expected 'Select'"},
    {"Dim a(x)", "(1, 7) Microsoft VBScript compilation error 1026: Expected integer constant"},
    {"Do x\nLoop",
     "(1, 4) Microsoft VBScript compilation error 1028: "
     "Expected 'While', 'Until' or end of statement"},
    {"With x\nEnd If", "(2, 5) Microsoft VBScript compilation error 1029: Expected 'With'"},
    {"x = 1 ? 2", "(1, 7) Microsoft VBScript compilation error 1032: Invalid character"},
    {"x = \"open",
     "(1, 10) Microsoft VBScript compilation error 1033: "
     "Unterminated string constant"},
    {"Exit Loop", "(1, 6) Microsoft VBScript compilation error 1039: Invalid 'exit' statement"},
    {"Dim a\nDim b, a", "(2, 8) Microsoft VBScript compilation error 1041: Name redefined"},
    {"Sub s\nEnd Sub\nFunction S\nEnd Function",
     "(3, 10) Microsoft VBScript compilation error 1041: Name redefined"},
    {"Sub s(a, A)\nEnd Sub", "(1, 10) Microsoft VBScript compilation error 1041: Name redefined"},
    {"For Each x y\nNext", "(1, 12) Microsoft VBScript compilation error 1046: Expected 'In'"},
    {"Class c\nEnd Sub", "(2, 5) Microsoft VBScript compilation error 1047: Expected 'Class'"},
    {"Class c\nProperty Get p\nEnd Sub\nEnd Class",
     "(3, 5) Microsoft VBScript compilation error 1050: Expected 'Property'"},
};

TEST(CompileErrors, ReportNumberLineAndColumn) {
    for (const CompileCase& c : kCompileCases) {
        std::string output, errors;
        EXPECT_EQ(1, vbscript::RunCommandScript(c.program, "t.vbs", &output, &errors)) << c.program;
        EXPECT_EQ(std::string("t.vbs") + c.error + "\n", errors) << c.program;
        EXPECT_EQ("", output) << c.program;
    }
}

// Runs a text to its end or to a script error; anything else (a crash, another exception,
// a hang past the deadline) fails the test.
void RunToCleanEnd(const std::string& text) {
    try {
        vbscript::Interpreter interp;
        interp.SetDeadline(vbscript::Interpreter::Clock::now() + std::chrono::milliseconds(50));
        const vbscript::Unit& unit = interp.Load(vbscript::ParseProgram(text, 0));
        interp.Run(unit);
    } catch (const vbscript::ScriptError& error) {
        EXPECT_NE(0, error.number) << text;
    }
}

const char* const kMalformed[] = {
    "",
    "\r\n",
    "_",
    "x = _",
    "x = \"",
    "#",
    "#1/1",
    "[",
    "x = &H",
    "x = &HFFFFFFFFF",
    "((((((((",
    ")",
    "x = 1 +",
    "If",
    "If x Then",
    "If x Then Else",
    "End",
    "End If",
    "Select Case",
    "Case 1",
    "For",
    "For i =",
    "For Each",
    "Next",
    "Do Until",
    "Loop While",
    "Function",
    "Function f(",
    "Function f(ByVal",
    "Sub s(a,",
    "Class",
    "Class c\nPublic",
    "Property Get",
    "Set = 1",
    "Call",
    "Call 5",
    "x.",
    "x..y",
    "x(,,)",
    "New",
    "x = New",
    "Dim a(",
    "ReDim a",
    "Const",
    "On Error",
    "On Error GoTo 1",
    "With",
    "With x\n.y",
    ".y = 1",
    "Me.x = 1",
    "x = Me",
    "Exit Sub",
    "Exit Function",
    "Option Strict",
    "x = 1 : : : y",
    "Rem",
    "x = 9e999",
    "x = 1E",
    "x = .5.5",
    "x = \"\"\"",
    "Randomize Else",
    "a = Array(1)(0)(0)",
    "Sub s\n s\nEnd Sub\ns",
    "Do : Loop",
    "While True : Wend",
    "x = String(1e9, \"a\")",
    "ReDim a(1e9)",
    "Dim a(99999,99999)",
    "Class c\nPrivate Sub Class_Terminate\nSet me2 = Me\nEnd Sub\nEnd Class\nSet x = New c\n"
    "Set x = Nothing",
    "Class c\nPublic Default Property Get v\nv = Me\nEnd Property\nEnd Class\n"
    "Set o = New c\nx = o + 1",
};

TEST(MalformedPrograms, EndInScriptErrorOrResult) {
    for (const char* text : kMalformed) RunToCleanEnd(text);
}

// Every prefix of every corpus program: truncation anywhere must stay clean.
TEST(MalformedPrograms, TruncatedCorpusProgramsEndCleanly) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(MTAFILTER_TEST_SOURCE_DIR) / "vbscript" / "corpus";
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".vbs") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        const std::string program = text.str();
        for (size_t cut = 0; cut < program.size(); cut += 7) RunToCleanEnd(program.substr(0, cut));
    }
}

}  // namespace
