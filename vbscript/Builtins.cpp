// vbscript/Builtins.cpp: assembles the built-in function and constant tables once, and the
// named constants (vbCrLf, vbTextCompare, the VarType numbers, ...).
#include "vbscript/Builtins.h"

namespace vbscript {
namespace {

const BuiltinTable& Functions() {
    static const BuiltinTable table = [] {
        BuiltinTable built;
        AddStringBuiltins(built);
        AddCharacterBuiltins(built);
        AddByteBuiltins(built);
        AddConversionBuiltins(built);
        AddMathBuiltins(built);
        AddDateBuiltins(built);
        AddFormatBuiltins(built);
        AddObjectBuiltins(built);
        AddRuntimeTextBuiltins(built);
        AddInfoBuiltins(built);
        return built;
    }();
    return table;
}

const ConstantTable& Constants() {
    static const ConstantTable table = [] {
        ConstantTable built;
        AddConstants(built);
        return built;
    }();
    return table;
}

}  // namespace

void AddConstants(ConstantTable& table) {
    table["vbcr"] = Value::String("\r");
    table["vblf"] = Value::String("\n");
    table["vbcrlf"] = Value::String("\r\n");
    table["vbnewline"] = Value::String("\r\n");
    table["vbtab"] = Value::String("\t");
    table["vbformfeed"] = Value::String("\f");
    table["vbverticaltab"] = Value::String("\v");
    table["vbnullstring"] = Value::String("");
    table["vbnullchar"] = Value::String(std::string(1, '\0'));
    table["vbtrue"] = Value::Integer(-1);
    table["vbfalse"] = Value::Integer(0);
    table["vbusedefault"] = Value::Integer(-2);
    table["vbbinarycompare"] = Value::Integer(0);
    table["vbtextcompare"] = Value::Integer(1);
    table["vbobjecterror"] = Value::Long(-2147221504);
    const char* days[] = {"vbsunday",   "vbmonday", "vbtuesday", "vbwednesday",
                          "vbthursday", "vbfriday", "vbsaturday"};
    for (int i = 0; i < 7; ++i) table[days[i]] = Value::Integer(i + 1);
    table["vbusesystemdayofweek"] = Value::Integer(0);
    table["vbusesystem"] = Value::Integer(0);
    table["vbfirstjan1"] = Value::Integer(1);
    table["vbfirstfourdays"] = Value::Integer(2);
    table["vbfirstfullweek"] = Value::Integer(3);
    table["vbgeneraldate"] = Value::Integer(0);
    table["vblongdate"] = Value::Integer(1);
    table["vbshortdate"] = Value::Integer(2);
    table["vblongtime"] = Value::Integer(3);
    table["vbshorttime"] = Value::Integer(4);
    struct Named {
        const char* name;
        int number;
    };
    constexpr Named kVarTypes[] = {
        {"vbempty", 0},    {"vbnull", 1},        {"vbinteger", 2},  {"vblong", 3},
        {"vbsingle", 4},   {"vbdouble", 5},      {"vbcurrency", 6}, {"vbdate", 7},
        {"vbstring", 8},   {"vbobject", 9},      {"vberror", 10},   {"vbboolean", 11},
        {"vbvariant", 12}, {"vbdataobject", 13}, {"vbbyte", 17},    {"vbarray", 8192},
    };
    for (const Named& named : kVarTypes) table[named.name] = Value::Integer(named.number);
    constexpr Named kColors[] = {
        {"vbblack", 0x000000},  {"vbred", 0x0000FF},   {"vbgreen", 0x00FF00},
        {"vbyellow", 0x00FFFF}, {"vbblue", 0xFF0000},  {"vbmagenta", 0xFF00FF},
        {"vbcyan", 0xFFFF00},   {"vbwhite", 0xFFFFFF},
    };
    for (const Named& named : kColors) table[named.name] = Value::Long(named.number);
    // The message box styles and answers, so that scripts written for a desktop still parse.
    constexpr Named kMessageBox[] = {
        {"vbokonly", 0},
        {"vbokcancel", 1},
        {"vbabortretryignore", 2},
        {"vbyesnocancel", 3},
        {"vbyesno", 4},
        {"vbretrycancel", 5},
        {"vbcritical", 16},
        {"vbquestion", 32},
        {"vbexclamation", 48},
        {"vbinformation", 64},
        {"vbdefaultbutton1", 0},
        {"vbdefaultbutton2", 256},
        {"vbdefaultbutton3", 512},
        {"vbdefaultbutton4", 768},
        {"vbapplicationmodal", 0},
        {"vbsystemmodal", 4096},
        {"vbok", 1},
        {"vbcancel", 2},
        {"vbabort", 3},
        {"vbretry", 4},
        {"vbignore", 5},
        {"vbyes", 6},
        {"vbno", 7},
    };
    for (const Named& named : kMessageBox) table[named.name] = Value::Integer(named.number);
}

const Builtin* FindBuiltin(std::string_view lowerName) {
    auto found = Functions().find(lowerName);
    return found == Functions().end() ? nullptr : &found->second;
}

const Value* FindConstant(std::string_view lowerName) {
    auto found = Constants().find(lowerName);
    return found == Constants().end() ? nullptr : &found->second;
}

}  // namespace vbscript
