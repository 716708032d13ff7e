// vbscript/Errors.cpp: the table of error texts and the helpers that raise script errors.
#include "vbscript/Errors.h"

#include "vbscript/WideText.h"

namespace vbscript {
namespace {

struct ErrorEntry {
    int number;
    const char* text;
};

constexpr ErrorEntry kErrors[] = {
    {kErrInvalidCall, "Invalid procedure call or argument"},
    {kErrOverflow, "Overflow"},
    {kErrOutOfMemory, "Out of memory"},
    {kErrSubscript, "Subscript out of range"},
    {kErrFixedArray, "This array is fixed or temporarily locked"},
    {kErrDivisionByZero, "Division by zero"},
    {kErrTypeMismatch, "Type mismatch"},
    {kErrInterrupted, "User interrupt occurred"},
    {kErrStackSpace, "Out of stack space"},
    {kErrNotDefined, "Sub or Function not defined"},
    {kErrPermissionDenied, "Permission denied"},
    {kErrObjectNotSet, "Object variable not set"},
    {kErrForLoop, "For loop not initialized"},
    {kErrInvalidNull, "Invalid use of Null"},
    {kErrObjectRequired, "Object required"},
    {kErrCannotCreate, "ActiveX component can't create object"},
    {kErrNoMember, "Object doesn't support this property or method"},
    {kErrWrongArgs, "Wrong number of arguments or invalid property assignment"},
    {kErrNotCollection, "Object not a collection"},
    {kErrKeyExists, "This key is already associated with an element of this collection"},
    {kErrUndefined, "Variable is undefined"},
    {kErrIllegalAssignment, "Illegal assignment"},
    {kErrRegExpSyntax, "Syntax error in regular expression"},
    {kErrElementNotFound, "Element not found"},
    {kErrSyntax, "Syntax error"},
    {kErrExpectedLParen, "Expected '('"},
    {kErrExpectedRParen, "Expected ')'"},
    {kErrExpectedIdentifier, "Expected identifier"},
    {kErrExpectedEquals, "Expected '='"},
    {kErrExpectedIf, "Expected 'If'"},
    {kErrExpectedTo, "Expected 'To'"},
    {kErrExpectedEnd, "Expected 'End'"},
    {kErrExpectedFunction, "Expected 'Function'"},
    {kErrExpectedSub, "Expected 'Sub'"},
    {kErrExpectedThen, "Expected 'Then'"},
    {kErrExpectedWend, "Expected 'Wend'"},
    {kErrExpectedLoop, "Expected 'Loop'"},
    {kErrExpectedNext, "Expected 'Next'"},
    {kErrExpectedCase, "Expected 'Case'"},
    {kErrExpectedSelect, "Expected 'Select'"},
    {kErrExpectedExpression, "Expected expression"},
    {kErrExpectedStatement, "Expected statement"},
    {kErrExpectedEndOfStatement, "Expected end of statement"},
    {kErrExpectedInteger, "Expected integer constant"},
    {kErrExpectedWhileUntil, "Expected 'While', 'Until' or end of statement"},
    {kErrInvalidCharacter, "Invalid character"},
    {kErrUnterminatedString, "Unterminated string constant"},
    {kErrInvalidExit, "Invalid 'exit' statement"},
    {kErrNameRedefined, "Name redefined"},
    {kErrExpectedIn, "Expected 'In'"},
    {kErrExpectedClass, "Expected 'Class'"},
    {kErrExpectedProperty, "Expected 'Property'"},
    {kErrExpectedWith, "Expected 'With'"},
};

}  // namespace

const char* ErrorText(int number) {
    for (const ErrorEntry& entry : kErrors)
        if (entry.number == number) return entry.text;
    return "Unknown runtime error";
}

void ThrowRuntime(int number) {
    ThrowRuntime(number, ErrorText(number));
}

void ThrowRuntime(int number, const std::string& description) {
    ScriptError error;
    error.number = number;
    error.description = description;
    error.source = kRuntimeSource;
    error.line = -1;  // the interpreter fills in the statement's position
    throw error;
}

void ThrowCompile(int number, int line, int column) {
    ScriptError error;
    error.number = number;
    error.description = ErrorText(number);
    error.source = kCompileSource;
    error.line = line;
    error.column = column;
    error.compile = true;
    throw error;
}

// Line `index` (from 0) of a text, without its line break.
std::string LineOf(const std::string& text, int index) {
    size_t start = 0;
    for (int line = 0; line < index; ++line) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) return "";
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int CharacterColumn(const std::string& lineText, int byteColumn) {
    if (byteColumn <= 0 || static_cast<size_t>(byteColumn) > lineText.size()) return byteColumn;
    return static_cast<int>(UnitCount(std::string_view(lineText).substr(0, byteColumn)));
}

}  // namespace vbscript
