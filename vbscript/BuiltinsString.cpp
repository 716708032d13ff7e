// vbscript/BuiltinsString.cpp: the string functions (Len, Left, Mid, InStr, Replace, Split,
// Join, StrComp, ...). A Null argument gives Null where the language says so.
#include <algorithm>
#include <cctype>

#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"

namespace vbscript {
namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Compare mode argument: 0 binary, 1 text.
bool TextMode(const Args& args, size_t index) {
    if (!HasArg(args, index)) return false;
    int32_t mode = ToLong(args[index]);
    if (mode < 0 || mode > 1) ThrowRuntime(kErrInvalidCall);
    return mode == 1;
}

// Position (from 0) of `what` in `text` at or after `from`; npos when absent.
size_t Find(const std::string& text, const std::string& what, size_t from, bool textMode) {
    if (!textMode) return text.find(what, from);
    return Lower(text).find(Lower(what), from);
}

int32_t Count(const Value& v) {
    int32_t n = ToLong(v);
    if (n < 0) ThrowRuntime(kErrInvalidCall);
    return n;
}

Value Len(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    return Value::Long(static_cast<int64_t>(ToString(a[0]).size()));
}

Value Left(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    int32_t n = Count(a[1]);
    return Value::String(ToString(a[0]).substr(0, static_cast<size_t>(n)));
}

Value Right(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    size_t n = std::min(static_cast<size_t>(Count(a[1])), s.size());
    return Value::String(s.substr(s.size() - n));
}

Value Mid(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    int32_t start = ToLong(a[1]);
    if (start < 1) ThrowRuntime(kErrInvalidCall);
    if (static_cast<size_t>(start) > s.size()) return Value::String("");
    size_t length = HasArg(a, 2) ? static_cast<size_t>(Count(a[2])) : std::string::npos;
    return Value::String(s.substr(static_cast<size_t>(start) - 1, length));
}

Value InStr(Interpreter&, Args& a) {
    size_t first = 0;
    int32_t start = 1;
    if (a.size() >= 3) {
        if (a[0].IsNull()) ThrowRuntime(kErrInvalidNull);
        start = ToLong(a[0]);
        if (start < 1) ThrowRuntime(kErrInvalidCall);
        first = 1;
    } else if (a.size() < 2) {
        ThrowRuntime(kErrWrongArgs);
    }
    if (a[first].IsNull() || a[first + 1].IsNull()) return Value::Null();
    std::string text = ToString(a[first]), what = ToString(a[first + 1]);
    if (static_cast<size_t>(start) > text.size()) return Value::Long(0);
    SpendBytes(text.size());
    size_t at = Find(text, what, static_cast<size_t>(start) - 1, TextMode(a, first + 2));
    return Value::Long(at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

Value InStrRev(Interpreter&, Args& a) {
    if (a[0].IsNull() || a[1].IsNull()) return Value::Null();
    std::string text = ToString(a[0]), what = ToString(a[1]);
    int32_t start = HasArg(a, 2) ? ToLong(a[2]) : -1;
    if (start == 0 || start < -1) ThrowRuntime(kErrInvalidCall);
    if (start == -1) start = static_cast<int32_t>(text.size());
    if (static_cast<size_t>(start) > text.size()) return Value::Long(0);
    if (TextMode(a, 3)) {
        text = Lower(text);
        what = Lower(what);
    }
    if (what.size() > static_cast<size_t>(start)) return Value::Long(0);
    size_t at = text.rfind(what, static_cast<size_t>(start) - what.size());
    return Value::Long(at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

Value LCase(Interpreter&, Args& a) {
    return a[0].IsNull() ? a[0] : Value::String(Lower(ToString(a[0])));
}

Value UCase(Interpreter&, Args& a) {
    return a[0].IsNull() ? a[0] : Value::String(Upper(ToString(a[0])));
}

Value TrimSides(const Value& v, bool left, bool right) {
    if (v.IsNull()) return v;
    std::string s = ToString(v);
    size_t begin = 0, end = s.size();
    if (left)
        while (begin < end && s[begin] == ' ') ++begin;
    if (right)
        while (end > begin && s[end - 1] == ' ') --end;
    return Value::String(s.substr(begin, end - begin));
}

Value Trim(Interpreter&, Args& a) {
    return TrimSides(a[0], true, true);
}
Value LTrim(Interpreter&, Args& a) {
    return TrimSides(a[0], true, false);
}
Value RTrim(Interpreter&, Args& a) {
    return TrimSides(a[0], false, true);
}

Value Replace(Interpreter&, Args& a) {
    if (a[0].IsNull() || a[1].IsNull() || a[2].IsNull()) return Value::Null();
    std::string text = ToString(a[0]), what = ToString(a[1]), with = ToString(a[2]);
    int32_t start = HasArg(a, 3) ? ToLong(a[3]) : 1;
    int32_t count = HasArg(a, 4) ? ToLong(a[4]) : -1;
    if (start < 1 || count < -1) ThrowRuntime(kErrInvalidCall);
    bool textMode = TextMode(a, 5);
    if (static_cast<size_t>(start) > text.size()) return Value::String("");
    text = text.substr(static_cast<size_t>(start) - 1);
    if (what.empty() || count == 0) return Value::String(text);
    // Searched in lower case once, not once per match.
    const std::string searched = textMode ? Lower(text) : std::string();
    if (textMode) what = Lower(what);
    const std::string& haystack = textMode ? searched : text;
    std::string result;
    size_t pos = 0;
    for (int32_t done = 0; count == -1 || done < count; ++done) {
        size_t at = haystack.find(what, pos);
        if (at == std::string::npos) break;
        result.append(text, pos, at - pos).append(with);
        // A long text or a long replacement makes one call a lot of work.
        SpendBytes(at - pos + what.size() + with.size() + 64);
        ReserveMemory(result.size());
        pos = at + what.size();
    }
    result.append(text, pos, std::string::npos);
    return Value::String(std::move(result));
}

Value Split(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::string text = ToString(a[0]);
    std::string delimiter = a.size() > 1 ? ToString(a[1]) : " ";
    int32_t limit = HasArg(a, 2) ? ToLong(a[2]) : -1;
    bool textMode = TextMode(a, 3);
    std::vector<Value> parts;
    if (text.empty()) return MakeArray(std::move(parts));
    if (delimiter.empty()) {
        parts.push_back(Value::String(text));
        return MakeArray(std::move(parts));
    }
    const std::string searched = textMode ? Lower(text) : std::string();
    if (textMode) delimiter = Lower(delimiter);
    const std::string& haystack = textMode ? searched : text;
    size_t pos = 0;
    while (limit == -1 || static_cast<int32_t>(parts.size()) < limit - 1) {
        size_t at = haystack.find(delimiter, pos);
        if (at == std::string::npos) break;
        parts.push_back(Value::String(text.substr(pos, at - pos)));
        SpendBytes(at - pos + delimiter.size() + 64);
        ReserveMemory(parts.capacity() * sizeof(Value));
        pos = at + delimiter.size();
    }
    parts.push_back(Value::String(text.substr(pos)));
    return MakeArray(std::move(parts));
}

Value Join(Interpreter&, Args& a) {
    if (a[0].kind != Kind::Array || a[0].arr->upper.size() != 1) ThrowRuntime(kErrTypeMismatch);
    std::string delimiter = a.size() > 1 ? ToString(a[1]) : " ";
    std::string result;
    for (size_t i = 0; i < a[0].arr->items.size(); ++i) {
        if (i > 0) result += delimiter;
        result += ToText(a[0].arr->items[i]);
        ReserveMemory(result.size());
        SpendBytes(delimiter.size() + 64);
    }
    SpendBytes(result.size());
    return Value::String(std::move(result));
}

Value StrComp(Interpreter&, Args& a) {
    if (a[0].IsNull() || a[1].IsNull()) return Value::Null();
    std::string x = ToString(a[0]), y = ToString(a[1]);
    if (TextMode(a, 2)) {
        x = Lower(x);
        y = Lower(y);
    }
    int c = x.compare(y);
    return Value::Integer(c < 0 ? -1 : (c > 0 ? 1 : 0));
}

Value Chr(Interpreter&, Args& a) {
    int32_t code = ToLong(a[0]);
    if (code < 0 || code > 255) ThrowRuntime(kErrInvalidCall);
    return Value::String(std::string(1, static_cast<char>(code)));
}

Value Asc(Interpreter&, Args& a) {
    if (a[0].IsNull()) ThrowRuntime(kErrInvalidNull);
    std::string s = ToString(a[0]);
    if (s.empty()) ThrowRuntime(kErrInvalidCall);
    return Value::Integer(static_cast<unsigned char>(s[0]));
}

Value Space(Interpreter&, Args& a) {
    int32_t n = Count(a[0]);
    if (n > (1 << 24)) ThrowRuntime(kErrOutOfMemory);
    ReserveMemory(static_cast<size_t>(n));
    SpendBytes(static_cast<size_t>(n));
    return Value::String(std::string(static_cast<size_t>(n), ' '));
}

Value StringOf(Interpreter&, Args& a) {
    if (a[1].IsNull()) return a[1];
    int32_t n = Count(a[0]);
    if (n > (1 << 24)) ThrowRuntime(kErrOutOfMemory);
    ReserveMemory(static_cast<size_t>(n));
    SpendBytes(static_cast<size_t>(n));
    char c;
    if (a[1].kind == Kind::String) {
        if (a[1].s.empty()) ThrowRuntime(kErrInvalidCall);
        c = a[1].s[0];
    } else {
        c = static_cast<char>(ToLong(a[1]) & 0xFF);
    }
    return Value::String(std::string(static_cast<size_t>(n), c));
}

Value StrReverse(Interpreter&, Args& a) {
    std::string s = ToText(a[0]);
    std::reverse(s.begin(), s.end());
    return Value::String(s);
}

Value Filter(Interpreter&, Args& a) {
    if (a[0].kind != Kind::Array || a[0].arr->upper.size() != 1) ThrowRuntime(kErrTypeMismatch);
    std::string what = ToString(a[1]);
    bool include = a.size() > 2 ? ToBool(a[2]) : true;
    bool textMode = TextMode(a, 3);
    std::vector<Value> kept;
    for (const Value& item : a[0].arr->items) {
        bool has = Find(ToText(item), what, 0, textMode) != std::string::npos;
        if (has == include) kept.push_back(Value::String(ToText(item)));
    }
    return MakeArray(std::move(kept));
}

}  // namespace

void AddStringBuiltins(BuiltinTable& table) {
    table["len"] = {Len, 1, 1};
    table["left"] = {Left, 2, 2};
    table["right"] = {Right, 2, 2};
    table["mid"] = {Mid, 2, 3};
    table["instr"] = {InStr, 2, 4};
    table["instrrev"] = {InStrRev, 2, 4};
    table["lcase"] = {LCase, 1, 1};
    table["ucase"] = {UCase, 1, 1};
    table["trim"] = {Trim, 1, 1};
    table["ltrim"] = {LTrim, 1, 1};
    table["rtrim"] = {RTrim, 1, 1};
    table["replace"] = {Replace, 3, 6};
    table["split"] = {Split, 1, 4};
    table["join"] = {Join, 1, 2};
    table["strcomp"] = {StrComp, 2, 3};
    table["chr"] = {Chr, 1, 1};
    table["chrw"] = {Chr, 1, 1};
    table["asc"] = {Asc, 1, 1};
    table["ascw"] = {Asc, 1, 1};
    table["space"] = {Space, 1, 1};
    table["string"] = {StringOf, 2, 2};
    table["strreverse"] = {StrReverse, 1, 1};
    table["filter"] = {Filter, 2, 4};
}

}  // namespace vbscript
