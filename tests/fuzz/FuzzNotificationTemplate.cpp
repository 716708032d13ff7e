// tests/fuzz/FuzzNotificationTemplate.cpp: libFuzzer target for the notification template
// reader. The input's first line is the run's result tags, the rest the template file;
// the notification is made from both, and the built-in one from the same fields.
#include <cstddef>
#include <cstdint>
#include <string>

#include "actions/NotificationText.h"
#include "tests/fixtures/TempTree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static testing_support::TempTree tree;
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t newline = input.find('\n');
    const std::string context = input.substr(0, newline);
    tree.WriteFile("NOTIFY.TXT", newline == std::string::npos ? "" : input.substr(newline + 1));

    NotificationFields fields;
    fields.messageIdText = "<fuzz@local.example>";
    fields.senderAddress = "postmaster@local.example";
    fields.toLine = "To: user@example.com";
    fields.date = "Mon, 07 Dec 2026 05:00:00 +0000";
    fields.headers = "Subject: fuzz\r\nFrom: a@example.com\r\n";
    fields.filterName = "Fuzz [QP_FILTERNAME] filter";
    fields.actionDescription = "[QP_WORDLIST] described";
    fields.actionContext = context.c_str();
    fields.placeholderCapacity = 2048;
    std::string text;
    (void)TemplateNotification(tree.Join("NOTIFY.TXT").c_str(), fields, &text);
    (void)BuiltInNotification(fields);
    return 0;
}
