// tools/Json.h: the one JSON writer of the mtafilter command's --json outputs.
//
// Values are built as JSON texts and put together into arrays and objects. Two layouts
// exist because programs already read both: kSpaced writes ", " and ": ", kCompact
// "," and ":".
#pragma once

#include <string>
#include <utility>
#include <vector>

enum class JsonLayout { kSpaced, kCompact };

// An 8-bit text in the system code page (report lines, paths, filter values) as a JSON
// string literal, quotes included: every byte above 0x7F is escaped as its Latin-1
// character, which keeps the output valid JSON whatever the bytes.
std::string JsonQuoted(const std::string& text);

// The same for a text that is UTF-8 when valid (registry values): kept as it is then,
// else read as JsonQuoted reads it.
std::string JsonQuotedUtf8(const std::string& text);

std::string JsonBool(bool value);

// Members of an object, in order: each name with its value as JSON text.
using JsonMembers = std::vector<std::pair<std::string, std::string>>;

std::string JsonObject(const JsonMembers& members, JsonLayout layout = JsonLayout::kSpaced);

// An array of items already written as JSON.
std::string JsonArray(const std::vector<std::string>& items,
                      JsonLayout layout = JsonLayout::kSpaced);

// An array of `items`, each written by `render`.
template <typename Item, typename Render>
std::string JsonArray(const std::vector<Item>& items, Render render,
                      JsonLayout layout = JsonLayout::kSpaced) {
    std::vector<std::string> written;
    written.reserve(items.size());
    for (const Item& item : items) written.push_back(render(item));
    return JsonArray(written, layout);
}
