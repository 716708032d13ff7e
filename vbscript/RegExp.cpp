// vbscript/RegExp.cpp: the RegExp object and its Match, MatchCollection and SubMatches, on
// PCRE2 with the options that make it read patterns as JavaScript does. Patterns and texts
// are matched as characters (UTF-8), so "." takes one character and IgnoreCase folds every
// letter; positions and lengths count 16-bit characters, as the script's string functions do.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cctype>

#include "vbscript/Builtins.h"
#include "vbscript/ScriptObjects.h"
#include "vbscript/WideText.h"

namespace vbscript {
namespace {

struct MatchData {
    std::string value;
    size_t index = 0;           // in 16-bit characters, as FirstIndex reports it
    size_t byteIndex = 0;       // in the text's bytes
    std::vector<Value> groups;  // Empty for a group that took no part
};

// Text as valid UTF-8: a byte that starts no valid sequence is read as its Latin-1
// character, as the engine's boundary reads it.
std::string Normalised(const std::string& text) {
    return IsAsciiText(text) ? text : FromUnits(ToUnits(text));
}

// The text PCRE2 matches: a surrogate half that stands alone (three bytes from ED A0 on)
// reads as U+FFFD, also three bytes, so that every position stays where it was and the
// text is valid UTF-8, which is then checked once and not at every match.
std::string Matchable(const std::string& text) {
    std::string subject = text;
    for (size_t at = subject.find('\xED'); at != std::string::npos && at + 2 < subject.size();
         at = subject.find('\xED', at + 1)) {
        if ((static_cast<unsigned char>(subject[at + 1]) & 0xE0) == 0xA0)
            subject.replace(at, 3, "\xEF\xBF\xBD");
    }
    return subject;
}

// Bytes of the character that starts at `at` (1 at the end or for a stray byte).
size_t CharacterBytes(const std::string& text, size_t at) {
    size_t bytes = 1;
    while (at + bytes < text.size() &&
           (static_cast<unsigned char>(text[at + bytes]) & 0xC0) == 0x80)
        ++bytes;
    return bytes;
}

Value ItemOf(const std::vector<Value>& items, Args& args) {
    CheckArgCount(args, 1, 1);
    int32_t index = ToLong(args[0]);
    if (index < 0 || static_cast<size_t>(index) >= items.size()) ThrowRuntime(kErrInvalidCall);
    return items[static_cast<size_t>(index)];
}

// A read-only list with Count, Item (the default) and For Each.
class ListObject : public Object {
public:
    ListObject(std::string typeName, std::vector<Value> items)
        : typeName_(std::move(typeName)), items_(std::move(items)) {}
    std::string TypeName() const override { return typeName_; }
    Value Get(Interpreter&, std::string_view name, Args& args) override {
        if (name.empty() || name == "item") return ItemOf(items_, args);
        if (name == "count") return Value::Long(static_cast<int64_t>(items_.size()));
        ThrowRuntime(kErrNoMember);
    }
    std::vector<Value> Elements(Interpreter&) override { return items_; }

private:
    std::string typeName_;
    std::vector<Value> items_;
};

class MatchObject : public Object {
public:
    explicit MatchObject(MatchData data) : data_(std::move(data)) {}
    std::string TypeName() const override { return "IMatch2"; }
    Value Get(Interpreter&, std::string_view name, Args& args) override {
        if (name == "submatches" && !args.empty()) return ItemOf(data_.groups, args);
        if (name.empty() || name == "value") return Value::String(data_.value);
        if (name == "firstindex") return Value::Long(static_cast<int64_t>(data_.index));
        if (name == "length") return Value::Long(static_cast<int64_t>(UnitCount(data_.value)));
        if (name == "submatches")
            return Value::ObjectRef(std::make_shared<ListObject>("ISubMatches", data_.groups));
        ThrowRuntime(kErrNoMember);
    }

private:
    MatchData data_;
};

using CodePtr = std::unique_ptr<pcre2_code, decltype(&pcre2_code_free)>;
using DataPtr = std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)>;
using ContextPtr = std::unique_ptr<pcre2_match_context, decltype(&pcre2_match_context_free)>;

// Backtracking steps one match may take: a pattern that backtracks without end (nested
// repeats over a long text) fails with an error within a fraction of a second instead of
// holding the thread past the script's time limit.
constexpr uint32_t kMatchStepLimit = 2000000;

class RegExp : public Object {
public:
    std::string TypeName() const override { return "IRegExp2"; }

    Value Get(Interpreter&, std::string_view name, Args& args) override {
        if (name == "pattern") return Value::String(pattern_);
        if (name == "ignorecase") return Value::Bool(ignoreCase_);
        if (name == "global") return Value::Bool(global_);
        if (name == "multiline") return Value::Bool(multiline_);
        if (name == "test") {
            CheckArgCount(args, 1, 1);
            return Value::Bool(!Matches(Normalised(ToText(args[0])), false).empty());
        }
        if (name == "execute") {
            CheckArgCount(args, 1, 1);
            std::vector<Value> items;
            for (MatchData& match : Matches(Normalised(ToText(args[0])), global_))
                items.push_back(Value::ObjectRef(std::make_shared<MatchObject>(std::move(match))));
            return Value::ObjectRef(std::make_shared<ListObject>("IMatchCollection2", items));
        }
        if (name == "replace") {
            CheckArgCount(args, 2, 2);
            return Value::String(Replace(Normalised(ToText(args[0])), Normalised(ToText(args[1]))));
        }
        ThrowRuntime(kErrNoMember);
    }

    void Put(Interpreter&, std::string_view name, Args&, const Value& value, bool) override {
        if (name == "pattern")
            pattern_ = ToString(value);
        else if (name == "ignorecase")
            ignoreCase_ = ToBool(value);
        else if (name == "global")
            global_ = ToBool(value);
        else if (name == "multiline")
            multiline_ = ToBool(value);
        else
            ThrowRuntime(kErrNoMember);
        code_.reset();
    }

private:
    pcre2_code* Compiled() {
        if (code_) return code_.get();
        // "$" matches only at the very end (or a line end with MultiLine), as in JavaScript.
        uint32_t options =
            PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY | PCRE2_UTF;
        if (ignoreCase_) options |= PCRE2_CASELESS;
        if (multiline_) options |= PCRE2_MULTILINE;
        int error = 0;
        PCRE2_SIZE offset = 0;
        const std::string pattern = Matchable(Normalised(pattern_));
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                         pattern.size(), options, &error, &offset, nullptr);
        if (code == nullptr) ThrowRuntime(kErrRegExpSyntax);
        code_.reset(code);
        return code;
    }

    std::vector<MatchData> Matches(const std::string& text, bool all) {
        pcre2_code* code = Compiled();
        DataPtr data(pcre2_match_data_create_from_pattern(code, nullptr), pcre2_match_data_free);
        ContextPtr context(pcre2_match_context_create(nullptr), pcre2_match_context_free);
        if (!data || !context) ThrowRuntime(kErrOutOfMemory);
        pcre2_set_match_limit(context.get(), kMatchStepLimit);
        std::vector<MatchData> found;
        size_t held = 0;  // bytes the matches found so far take
        size_t start = 0;
        size_t counted = 0, units = 0;  // the text before byte `counted` has `units` characters
        const std::string subject = Matchable(text);
        uint32_t check = 0;  // the first call checks the text; the later ones need not
        while (start <= text.size()) {
            int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                                 start, check, data.get(), context.get());
            check = PCRE2_NO_UTF_CHECK;
            if (rc == PCRE2_ERROR_NOMATCH) break;
            if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT ||
                rc == PCRE2_ERROR_HEAPLIMIT || rc == PCRE2_ERROR_NOMEMORY)
                ThrowRuntime(kErrOutOfMemory,
                             "The regular expression backtracks too much on this text; "
                             "simplify nested repeats in its pattern");
            if (rc < 0) ThrowRuntime(kErrRegExpSyntax);
            PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
            uint32_t pairs = pcre2_get_ovector_count(data.get());
            MatchData match;
            units += UnitCount(std::string_view(text).substr(counted, ovector[0] - counted));
            counted = ovector[0];
            match.index = units;
            match.byteIndex = ovector[0];
            match.value = text.substr(ovector[0], ovector[1] - ovector[0]);
            for (uint32_t g = 1; g < pairs; ++g) {
                bool set = ovector[2 * g] != PCRE2_UNSET && static_cast<int>(g) < rc;
                match.groups.push_back(
                    set ? Value::String(
                              text.substr(ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g]))
                        : Value());
            }
            held += sizeof(MatchData) + match.value.size() + match.groups.size() * sizeof(Value);
            found.push_back(std::move(match));
            if (!all) break;
            ReserveMemory(held);
            SpendBytes(ovector[1] - start + 64);
            // After an empty match the next search starts one character on.
            start = ovector[1] > ovector[0] ? ovector[1]
                                            : ovector[1] + CharacterBytes(text, ovector[1]);
        }
        return found;
    }

    // Expands $&, $`, $', $$ and $1..$99 in a replacement text.
    static std::string Expand(const std::string& with, const MatchData& m,
                              const std::string& text) {
        std::string out;
        for (size_t i = 0; i < with.size(); ++i) {
            char c = with[i];
            char next = i + 1 < with.size() ? with[i + 1] : '\0';
            if (c != '$' || next == '\0') {
                out += c;
            } else if (next == '$') {
                out += '$', ++i;
            } else if (next == '&') {
                out += m.value, ++i;
            } else if (next == '`') {
                out += text.substr(0, m.byteIndex), ++i;
            } else if (next == '\'') {
                out += text.substr(m.byteIndex + m.value.size()), ++i;
            } else if (std::isdigit(static_cast<unsigned char>(next)) && next != '0') {
                size_t group = static_cast<size_t>(next - '0');
                size_t used = 1;
                if (i + 2 < with.size() && std::isdigit(static_cast<unsigned char>(with[i + 2]))) {
                    size_t two = group * 10 + static_cast<size_t>(with[i + 2] - '0');
                    if (two <= m.groups.size()) group = two, used = 2;
                }
                if (group <= m.groups.size()) {
                    out += ToText(m.groups[group - 1]);
                    i += used;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
        return out;
    }

    std::string Replace(const std::string& text, const std::string& with) {
        std::string out;
        size_t last = 0;
        for (const MatchData& match : Matches(text, global_)) {
            out.append(text, last, match.byteIndex - last);
            out += Expand(with, match, text);
            last = match.byteIndex + match.value.size();
            ReserveMemory(out.size());
            SpendBytes(with.size() + 64);
        }
        return out.append(text, last, std::string::npos);
    }

    std::string pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    bool multiline_ = false;
    CodePtr code_{nullptr, pcre2_code_free};
};

}  // namespace

std::shared_ptr<Object> MakeRegExp() {
    return std::make_shared<RegExp>();
}

}  // namespace vbscript
