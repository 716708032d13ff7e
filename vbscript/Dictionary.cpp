// vbscript/Dictionary.cpp: Scripting.Dictionary: items by key in insertion order, keys
// compared by value (text keys binary or, with CompareMode 1, without regard to the case of
// any letter).
#include <unordered_map>

#include "vbscript/Builtins.h"
#include "vbscript/ScriptObjects.h"
#include "vbscript/WideText.h"

namespace vbscript {
namespace {

class Dictionary : public Object {
public:
    ~Dictionary() override { DropValues(); }
    std::string TypeName() const override { return "Dictionary"; }

    void DropValues() override {
        std::vector<std::pair<Value, Value>> items = std::move(items_);
        items_.clear();
        index_.clear();
        {
            ReleaseBatch batch;
            for (auto& entry : items) {
                batch.Add(entry.first);
                batch.Add(entry.second);
            }
        }
        Account();
    }

    Value Get(Interpreter& /*interp*/, std::string_view name, Args& args) override {
        if (name.empty() || name == "item") {
            CheckArgCount(args, 1, 1);
            return items_[Slot(args[0], true)].second;
        }
        if (name == "add") {
            CheckArgCount(args, 2, 2);
            if (Find(args[0]) >= 0) ThrowRuntime(kErrKeyExists);
            items_[Slot(args[0], true)].second = args[1];
            return Value();
        }
        if (name == "exists") {
            CheckArgCount(args, 1, 1);
            return Value::Bool(Find(args[0]) >= 0);
        }
        if (name == "count") return Value::Long(static_cast<int64_t>(items_.size()));
        if (name == "keys" || name == "items") {
            std::vector<Value> values;
            for (const auto& entry : items_)
                values.push_back(name == "keys" ? entry.first : entry.second);
            return MakeArray(std::move(values));
        }
        if (name == "remove") {
            CheckArgCount(args, 1, 1);
            long at = Find(args[0]);
            if (at < 0) ThrowRuntime(kErrElementNotFound);
            items_.erase(items_.begin() + at);
            Reindex();
            Account();
            return Value();
        }
        if (name == "removeall") {
            DropValues();
            return Value();
        }
        if (name == "comparemode") return Value::Integer(textMode_ ? 1 : 0);
        ThrowRuntime(kErrNoMember);
    }

    void Put(Interpreter& /*interp*/, std::string_view name, Args& args, const Value& value,
             bool /*isSet*/) override {
        if (name.empty() || name == "item") {
            CheckArgCount(args, 1, 1);
            items_[Slot(args[0], true)].second = value;
        } else if (name == "key") {
            CheckArgCount(args, 1, 1);
            long at = Find(args[0]);
            if (at < 0) ThrowRuntime(kErrElementNotFound);
            if (Find(value) >= 0) ThrowRuntime(kErrKeyExists);
            items_[static_cast<size_t>(at)].first = value;
            Reindex();
        } else if (name == "comparemode") {
            if (!items_.empty()) ThrowRuntime(kErrInvalidCall);
            textMode_ = ToLong(value) == 1;
        } else {
            ThrowRuntime(kErrNoMember);
        }
    }

    std::vector<Value> Elements(Interpreter& /*interp*/) override {
        std::vector<Value> keys;
        for (const auto& entry : items_) keys.push_back(entry.first);
        return keys;
    }

private:
    // Built by appending: GCC 12 warns (-Wrestrict) on a literal + a temporary string.
    std::string Canonical(const Value& key) const {
        std::string canonical;
        if (key.kind == Kind::String) {
            // Through the 16-bit units, so that a text has one key however its bytes came.
            canonical = "s";
            if (!textMode_ && IsAsciiText(key.s)) return canonical += key.s;
            std::u16string units = ToUnits(key.s);
            return canonical += FromUnits(textMode_ ? LowerUnits(std::move(units)) : units);
        }
        if (key.kind == Kind::Object) {
            canonical = "o";
            return canonical += std::to_string(reinterpret_cast<uintptr_t>(key.obj.get()));
        }
        if (key.kind == Kind::Array) ThrowRuntime(kErrTypeMismatch);
        if (key.kind == Kind::Null || key.kind == Kind::Empty)
            return key.kind == Kind::Null ? "null" : "empty";
        canonical = "n";
        return canonical += FormatDouble(ToDouble(key), 17);
    }

    long Find(const Value& key) const {
        auto found = index_.find(Canonical(key));
        return found == index_.end() ? -1 : static_cast<long>(found->second);
    }

    // The slot of a key, added with an Empty item when missing and `add` is set.
    size_t Slot(const Value& key, bool add) {
        long at = Find(key);
        if (at >= 0) return static_cast<size_t>(at);
        if (!add) ThrowRuntime(kErrElementNotFound);
        items_.emplace_back(key, Value());
        index_[Canonical(key)] = items_.size() - 1;
        Account();
        return items_.size() - 1;
    }

    // The entries' own storage; the texts in them are charged by the values.
    void Account() {
        entries_.Set(items_.capacity() * sizeof(items_[0]) + index_.size() * kIndexEntryCost);
    }

    void Reindex() {
        index_.clear();
        for (size_t i = 0; i < items_.size(); ++i) index_[Canonical(items_[i].first)] = i;
    }

    std::vector<std::pair<Value, Value>> items_;
    std::unordered_map<std::string, size_t> index_;
    bool textMode_ = false;
    MemoryCharge entries_;
    static constexpr size_t kIndexEntryCost = 64;
};

}  // namespace

std::shared_ptr<Object> MakeDictionary() {
    return std::make_shared<Dictionary>();
}

}  // namespace vbscript
