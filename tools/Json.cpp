// tools/Json.cpp: the one JSON writer of the mtafilter command.
#include "tools/Json.h"

#include <cstdio>

#include "tools/RegFile.h"

namespace {

const char* Separator(JsonLayout layout) {
    return layout == JsonLayout::kSpaced ? ", " : ",";
}

std::string Quoted(const std::string& text, bool keepHighBytes) {
    std::string quoted = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\t') {  // report lines are tab-separated: keep them readable
            quoted += "\\t";
        } else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !keepHighBytes)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

}  // namespace

std::string JsonQuoted(const std::string& text) {
    return Quoted(text, false);
}

std::string JsonQuotedUtf8(const std::string& text) {
    return Quoted(text, regfile::IsUtf8(text));
}

std::string JsonBool(bool value) {
    return value ? "true" : "false";
}

std::string JsonObject(const JsonMembers& members, JsonLayout layout) {
    std::string json = "{";
    for (size_t i = 0; i < members.size(); ++i)
        json += (i ? Separator(layout) : "") + JsonQuoted(members[i].first) +
                (layout == JsonLayout::kSpaced ? ": " : ":") + members[i].second;
    return json + "}";
}

std::string JsonArray(const std::vector<std::string>& items, JsonLayout layout) {
    std::string json = "[";
    for (size_t i = 0; i < items.size(); ++i) json += (i ? Separator(layout) : "") + items[i];
    return json + "]";
}
