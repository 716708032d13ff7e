// vbscript/BuiltinsString.cpp: the string functions that count, cut, search and compare (Len,
// Left, Mid, InStr, Replace, Split, Join, StrComp, ...). They count 16-bit characters as
// the platform engine does, and vbTextCompare ignores the case of every letter the code
// pages hold, not only ASCII. A Null argument gives Null where the language says so.
#include <algorithm>
#include <initializer_list>

#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"
#include "vbscript/WideText.h"

namespace vbscript {
namespace {

std::u16string Units(const Value& v) {
    return ToUnits(ToString(v));
}

Value Text(std::u16string_view units) {
    return Value::String(FromUnits(units));
}

// Compare mode argument: 0 binary, 1 text.
bool TextMode(const Args& args, size_t index) {
    if (!HasArg(args, index)) return false;
    int32_t mode = ToLong(args[index]);
    if (mode < 0 || mode > 1) ThrowRuntime(kErrInvalidCall);
    return mode == 1;
}

// Position (from 0) of `what` in `text` at or after `from`; npos when absent.
size_t Find(const std::u16string& text, const std::u16string& what, size_t from, bool textMode) {
    if (!textMode) return text.find(what, from);
    return LowerUnits(text).find(LowerUnits(what), from);
}

int32_t Count(const Value& v) {
    int32_t n = ToLong(v);
    if (n < 0) ThrowRuntime(kErrInvalidCall);
    return n;
}

Value Len(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    return Value::Long(static_cast<int64_t>(UnitCount(ToString(a[0]))));
}

// Units [begin, begin + count) of the text; ASCII text is cut as it is.
Value Slice(const std::string& text, size_t begin, size_t count) {
    if (IsAsciiText(text))
        return Value::String(begin < text.size() ? text.substr(begin, count) : "");
    std::u16string units = ToUnits(text);
    return Text(begin < units.size() ? std::u16string_view(units).substr(begin, count) : u"");
}

Value Left(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    int32_t n = Count(a[1]);
    return Slice(ToString(a[0]), 0, static_cast<size_t>(n));
}

Value Right(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    size_t length = UnitCount(s);
    size_t n = std::min(static_cast<size_t>(Count(a[1])), length);
    return Slice(s, length - n, n);
}

Value Mid(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::string s = ToString(a[0]);
    int32_t start = ToLong(a[1]);
    if (start < 1) ThrowRuntime(kErrInvalidCall);
    size_t length = HasArg(a, 2) ? static_cast<size_t>(Count(a[2])) : std::string::npos;
    return Slice(s, static_cast<size_t>(start) - 1, length);
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
    bool textMode = TextMode(a, first + 2);
    if (a[first].IsNull() || a[first + 1].IsNull()) return Value::Null();
    std::u16string text = Units(a[first]), what = Units(a[first + 1]);
    if (static_cast<size_t>(start) > text.size()) return Value::Long(0);
    SpendBytes(text.size());
    size_t at = Find(text, what, static_cast<size_t>(start) - 1, textMode);
    return Value::Long(at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

// An empty text to find is found at the start position itself (the end by default).
Value InStrRev(Interpreter&, Args& a) {
    int32_t start = HasArg(a, 2) ? ToLong(a[2]) : -1;
    if (start == 0 || start < -1) ThrowRuntime(kErrInvalidCall);
    bool textMode = TextMode(a, 3);
    if (a[0].IsNull() || a[1].IsNull()) return Value::Null();
    std::u16string text = Units(a[0]), what = Units(a[1]);
    if (text.empty()) return Value::Long(0);
    if (start == -1) start = static_cast<int32_t>(text.size());
    if (static_cast<size_t>(start) > text.size()) return Value::Long(0);
    if (what.empty()) return Value::Long(start);
    if (what.size() > static_cast<size_t>(start)) return Value::Long(0);
    SpendBytes(text.size());
    if (textMode) {
        text = LowerUnits(std::move(text));
        what = LowerUnits(std::move(what));
    }
    size_t at = text.rfind(what, static_cast<size_t>(start) - what.size());
    return Value::Long(at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

Value LCase(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    return Text(LowerUnits(Units(a[0])));
}

Value UCase(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    return Text(UpperUnits(Units(a[0])));
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

// ASCII text is searched as it is; other text as 16-bit characters.
std::string Lowered(std::string ascii) {
    for (char& c : ascii)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return ascii;
}
std::u16string Lowered(std::u16string units) {
    return LowerUnits(std::move(units));
}
Value Out(const std::string& ascii) {
    return Value::String(ascii);
}
Value Out(std::u16string_view units) {
    return Text(units);
}

bool AllAscii(std::initializer_list<const std::string*> texts) {
    for (const std::string* text : texts)
        if (!IsAsciiText(*text)) return false;
    return true;
}

template <typename Str>
Value ReplaceIn(Str text, Str what, const Str& with, int32_t start, int32_t count, bool textMode) {
    if (static_cast<size_t>(start) > text.size()) return Value::String("");
    text.erase(0, static_cast<size_t>(start) - 1);
    if (what.empty() || count == 0) return Out(text);
    // Searched in lower case once, not once per match.
    const Str searched = textMode ? Lowered(text) : Str();
    if (textMode) what = Lowered(std::move(what));
    const Str& haystack = textMode ? searched : text;
    Str result;
    size_t pos = 0;
    for (int32_t done = 0; count == -1 || done < count; ++done) {
        size_t at = haystack.find(what, pos);
        if (at == Str::npos) break;
        result.append(text, pos, at - pos).append(with);
        // A long text or a long replacement makes one call a lot of work.
        SpendBytes(at - pos + what.size() + with.size() + 64);
        ReserveMemory(result.size() * sizeof(result[0]));
        pos = at + what.size();
    }
    result.append(text, pos, Str::npos);
    return Out(result);
}

// Null as the text to search raises "Invalid use of Null", as the language documents.
Value Replace(Interpreter&, Args& a) {
    if (a[0].IsNull() || a[1].IsNull() || a[2].IsNull()) ThrowRuntime(kErrInvalidNull);
    std::string text = ToString(a[0]), what = ToString(a[1]), with = ToString(a[2]);
    int32_t start = HasArg(a, 3) ? ToLong(a[3]) : 1;
    int32_t count = HasArg(a, 4) ? ToLong(a[4]) : -1;
    if (start < 1 || count < -1) ThrowRuntime(kErrInvalidCall);
    bool textMode = TextMode(a, 5);
    if (AllAscii({&text, &what, &with}))
        return ReplaceIn(std::move(text), std::move(what), with, start, count, textMode);
    return ReplaceIn(ToUnits(text), ToUnits(what), ToUnits(with), start, count, textMode);
}

template <typename Str>
Value SplitIn(const Str& text, Str delimiter, int32_t limit, bool textMode) {
    std::vector<Value> parts;
    if (text.empty() || limit == 0) return MakeArray(std::move(parts));
    if (delimiter.empty()) {
        parts.push_back(Out(text));
        return MakeArray(std::move(parts));
    }
    const Str searched = textMode ? Lowered(text) : Str();
    if (textMode) delimiter = Lowered(std::move(delimiter));
    const Str& haystack = textMode ? searched : text;
    size_t pos = 0;
    while (limit == -1 || static_cast<int32_t>(parts.size()) < limit - 1) {
        size_t at = haystack.find(delimiter, pos);
        if (at == Str::npos) break;
        parts.push_back(Out(text.substr(pos, at - pos)));
        SpendBytes(at - pos + delimiter.size() + 64);
        ReserveMemory(parts.capacity() * sizeof(Value));
        pos = at + delimiter.size();
    }
    parts.push_back(Out(text.substr(pos)));
    return MakeArray(std::move(parts));
}

// A count of 0 asks for no substrings at all.
Value Split(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::string text = ToString(a[0]);
    std::string delimiter = a.size() > 1 ? ToString(a[1]) : " ";
    int32_t limit = HasArg(a, 2) ? ToLong(a[2]) : -1;
    if (limit < -1) ThrowRuntime(kErrInvalidCall);
    bool textMode = TextMode(a, 3);
    if (AllAscii({&text, &delimiter})) return SplitIn(text, std::move(delimiter), limit, textMode);
    return SplitIn(ToUnits(text), ToUnits(delimiter), limit, textMode);
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
    bool textMode = TextMode(a, 2);
    if (a[0].IsNull() || a[1].IsNull()) return Value::Null();
    std::u16string x = Units(a[0]), y = Units(a[1]);
    if (textMode) {
        x = LowerUnits(std::move(x));
        y = LowerUnits(std::move(y));
    }
    int c = x.compare(y);
    return Value::Integer(c < 0 ? -1 : (c > 0 ? 1 : 0));
}

Value StrReverse(Interpreter&, Args& a) {
    if (a[0].IsNull()) ThrowRuntime(kErrInvalidNull);
    std::u16string units = Units(a[0]);
    std::reverse(units.begin(), units.end());
    return Text(units);
}

Value Filter(Interpreter&, Args& a) {
    if (a[0].IsNull() || a[1].IsNull()) ThrowRuntime(kErrInvalidNull);
    if (a[0].kind != Kind::Array || a[0].arr->upper.size() != 1) ThrowRuntime(kErrTypeMismatch);
    std::u16string what = Units(a[1]);
    bool include = HasArg(a, 2) ? ToBool(a[2]) : true;
    bool textMode = TextMode(a, 3);
    if (textMode) what = LowerUnits(std::move(what));
    std::vector<Value> kept;
    for (const Value& item : a[0].arr->items) {
        std::string text = ToText(item);
        std::u16string units = ToUnits(text);
        bool has = (textMode ? LowerUnits(units) : units).find(what) != std::string::npos;
        if (has == include) kept.push_back(Value::String(std::move(text)));
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
    table["strreverse"] = {StrReverse, 1, 1};
    table["filter"] = {Filter, 2, 4};
}

}  // namespace vbscript
