// vbscript/Errors.h: the engine's error numbers and texts, and the exception that carries a
// script error (with its position) inside the engine up to the interface methods.
#pragma once

#include <cstdint>
#include <string>

namespace vbscript {

// Run-time errors.
constexpr int kErrInvalidCall = 5;
constexpr int kErrOverflow = 6;
constexpr int kErrOutOfMemory = 7;
constexpr int kErrSubscript = 9;
constexpr int kErrFixedArray = 10;
constexpr int kErrDivisionByZero = 11;
constexpr int kErrTypeMismatch = 13;
constexpr int kErrInterrupted = 18;
constexpr int kErrStackSpace = 28;
constexpr int kErrNotDefined = 35;
constexpr int kErrPermissionDenied = 70;
constexpr int kErrObjectNotSet = 91;
constexpr int kErrForLoop = 92;
constexpr int kErrInvalidNull = 94;
constexpr int kErrObjectRequired = 424;
constexpr int kErrCannotCreate = 429;
constexpr int kErrNoMember = 438;
constexpr int kErrWrongArgs = 450;
constexpr int kErrNotCollection = 451;
constexpr int kErrKeyExists = 457;
constexpr int kErrUndefined = 500;
constexpr int kErrIllegalAssignment = 501;
constexpr int kErrRegExpSyntax = 5017;
constexpr int kErrElementNotFound = 32811;

// Compilation errors.
constexpr int kErrSyntax = 1002;
constexpr int kErrExpectedLParen = 1005;
constexpr int kErrExpectedRParen = 1006;
constexpr int kErrExpectedIdentifier = 1010;
constexpr int kErrExpectedEquals = 1011;
constexpr int kErrExpectedIf = 1012;
constexpr int kErrExpectedTo = 1013;
constexpr int kErrExpectedEnd = 1014;
constexpr int kErrExpectedFunction = 1015;
constexpr int kErrExpectedSub = 1016;
constexpr int kErrExpectedThen = 1017;
constexpr int kErrExpectedWend = 1018;
constexpr int kErrExpectedLoop = 1019;
constexpr int kErrExpectedNext = 1020;
constexpr int kErrExpectedCase = 1021;
constexpr int kErrExpectedSelect = 1022;
constexpr int kErrExpectedExpression = 1023;
constexpr int kErrExpectedStatement = 1024;
constexpr int kErrExpectedEndOfStatement = 1025;
constexpr int kErrExpectedInteger = 1026;
constexpr int kErrExpectedWhileUntil = 1028;
constexpr int kErrInvalidCharacter = 1032;
constexpr int kErrUnterminatedString = 1033;
constexpr int kErrNameRedefined = 1041;
constexpr int kErrExpectedIn = 1046;
constexpr int kErrExpectedClass = 1047;
constexpr int kErrExpectedProperty = 1050;
constexpr int kErrExpectedWith = 1029;
constexpr int kErrInvalidExit = 1039;

// The text Microsoft's engine gives a number; "Unknown runtime error" for the others.
const char* ErrorText(int number);

// HRESULT of a script error number: 0x800A0000 + number.
inline int32_t ErrorHresult(int number) {
    return static_cast<int32_t>(0x800A0000u + static_cast<uint32_t>(number & 0xFFFF));
}

constexpr const char* kRuntimeSource = "Microsoft VBScript runtime error";
constexpr const char* kCompileSource = "Microsoft VBScript compilation error";

// A script error. Lines and columns count from 0, as the error interface reports them.
struct ScriptError {
    int number = 0;
    std::string description;
    std::string source;
    int line = 0;
    int column = 0;
    bool compile = false;
    bool fatal = false;    // not even On Error Resume Next may continue after it
    std::string lineText;  // the source line, when known where the error arose
};

// Line `index` (from 0) of a text, without its line break.
std::string LineOf(const std::string& text, int index);
// The column in 16-bit characters, as reported, of a column the parser counted in bytes of
// the engine's UTF-8 text.
int CharacterColumn(const std::string& lineText, int byteColumn);

[[noreturn]] void ThrowRuntime(int number);
[[noreturn]] void ThrowRuntime(int number, const std::string& description);
[[noreturn]] void ThrowCompile(int number, int line, int column);

}  // namespace vbscript
