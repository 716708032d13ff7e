// tools/ServerTree.cpp: builds a default server tree with a queue of sample messages.
// Every address and client in the samples uses the reserved example domains and the
// documentation address ranges, so that nothing built here can reach a real party.
#include "tools/ServerTree.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "base/RegistryKeys.h"
#include "filters/FilterSet.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace {

// A registry text that names a part of the tree.
struct DirectorySetting {
    const char* key;    // below HKEY_LOCAL_MACHINE
    const char* value;  // value name
    const char* part;   // relative to the tree's root
};

constexpr DirectorySetting kDirectorySettings[] = {
    {keys::kRoot, values::kMailRoot, kTreeMailRoot},
    {keys::kRoot, values::kConfigurationDirectory, kTreeConfiguration},
    {keys::kRoot, values::kBadMailDirectory, kTreeBadMail},
    {keys::kRoot, values::kQuarantineDirectory, kTreeQuarantine},
    {keys::kRoot, values::kApplicationDirectory, kTreeApplication},
    {keys::kConnectors, values::kConnectorRootDirectory, kTreeConnectorRoot},
    {keys::kPlugin, values::kActivityLogDirectory, kTreeLogs},
};

// Folders that no setting names but that the plug-in expects to find.
constexpr const char* kExtraDirectories[] = {
    "app64",  // the (empty) provider directory: "Application Directory" + "64"
    "config/FILTERS/CRITERIA",
    "config/FILTERS/ACTIONS",
    "config/FILTERS/PATTERNS",
    "config/FILTERS/Templates",
    "config/POSTOFFICES/System/Annotations",
};

constexpr const char* kQueueDirectories[] = {"Inbound/Messages", "Outgoing/Messages"};

// "Activity Log Enabled": the daily report file, which the demo shows afterwards.
constexpr uint32_t kReportToFile = 1;
// Where notifications about held messages come from.

enum class BodyKind {
    kPlain,        // one text/plain part
    kAlternative,  // text and HTML renderings of the same newsletter
    kAttachment,   // a covering note and a PDF attachment
    kLarge,        // a long data export, a few hundred kilobytes
    kExecutable,   // a covering note and a program the attachment filter stops
    kTestVirus,    // a covering note and the EICAR test file, which virus scanners report
};

struct SampleMail {
    const char* fromName;      // display name of the author
    const char* from;          // author and envelope sender
    const char* to;            // recipients as the To header lists them, ", " separated
    const char* subject;       // Subject header and the envelope's copy of it
    const char* clientIp;      // the delivering client, from a documentation range
    const char* user;          // mailbox of an authenticated local sender, else ""
    const char* extraHeaders;  // further header lines, each ending in "\n", or ""
    BodyKind kind;             // the shape of the body
    const char* body;          // the text part, "\n" line ends
};

// clang-format off
constexpr SampleMail kSamples[] = {
    {"Alice Martin", "alice.martin@example.net", "bob@example.com",
     "Quarterly budget review: agenda", "192.0.2.10", "", "", BodyKind::kPlain,
     "Hi Bob,\n\nHere is the agenda for Thursday's budget review:\n\n"
     "1. Q3 actuals against plan\n2. Travel spending\n3. Headcount for Q4\n\n"
     "Please send me your numbers by Wednesday noon.\n\nThanks,\nAlice\n"},
    {"Example Shop", "news@shop.example.org", "bob@example.com, carol@example.com",
     "Weekly deals: 30% off garden tools", "198.51.100.23", "",
     "List-Unsubscribe: <https://shop.example.org/unsubscribe>\n", BodyKind::kAlternative,
     "This week only: 30% off all garden tools.\n\n"
     "Shop now: https://shop.example.org/deals\n"},
    {"Prize Committee", "lottery@prizes.example.net", "dave@example.com",
     "You have WON a $1,000,000 prize!!!", "203.0.113.66", "", "X-Priority: 1\n",
     BodyKind::kPlain,
     "CONGRATULATIONS!!!\n\nYour e-mail address was selected in our international draw.\n"
     "To claim your prize send your bank details and a processing fee of $250 to\n"
     "claims@prizes.example.net TODAY.\n"},
    {"Operations", "ops@example.com", "all-staff@example.com",
     "Re: Server maintenance window", "192.0.2.55", "ops", "", BodyKind::kPlain,
     "The maintenance window is confirmed for Saturday 22:00 to 02:00.\n"
     "Mail will be queued, not lost, while the servers are down.\n\n-- \nOperations\n"},
    {"Supplier Billing", "billing@supplier.example.org", "accounts@example.com",
     "Invoice 2041 for March", "198.51.100.7", "", "", BodyKind::kAttachment,
     "Dear customer,\n\nplease find attached invoice 2041 for deliveries in March.\n"
     "Payment is due within 30 days.\n\nKind regards,\nSupplier Billing\n"},
    {"Pharmacy Online", "sales@pharma.example.net", "erin@example.com, frank@example.com",
     "Cheap meds online - no prescription needed", "203.0.113.200", "", "",
     BodyKind::kPlain,
     "Best prices on the web! No prescription, discreet shipping.\n"
     "Order now at http://pharma.example.net/order\n"},
    {"Carol Nguyen", "carol@example.com", "dave@example.com", "Lunch on Friday?",
     "192.0.2.31", "carol", "", BodyKind::kPlain,
     "Dave, are you free for lunch on Friday? The new place on Main Street?\n\nCarol\n"},
    {"Account Security", "security@bank.example.net", "grace@example.com",
     "Your account has been suspended - verify now", "203.0.113.45", "", "",
     BodyKind::kPlain,
     "We detected unusual activity on your account and suspended it.\n"
     "Verify your identity within 24 hours: http://login.example.net/verify?id=88213\n"},
    {"Erin Walsh", "erin@partner.example.net", "bob@example.com, heidi@example.com",
     "Meeting invitation: Project Falcon kickoff", "198.51.100.42", "", "",
     BodyKind::kPlain,
     "Hello both,\n\nI'd like to invite you to the Project Falcon kickoff on Monday at 10:00\n"
     "in the large conference room, or by video for those working remotely.\n\nErin\n"},
    {"Frank Osei", "frank@example.org", "bob@example.com", "Out of office: Re: Contract draft",
     "198.51.100.80", "", "Auto-Submitted: auto-replied\n", BodyKind::kPlain,
     "I am out of the office until Monday and will reply to your message on my return.\n"},
    {"Mail Delivery System", "postmaster@mx.example.net", "alice@example.com",
     "Delivery Status Notification (Failure)", "192.0.2.200", "", "", BodyKind::kPlain,
     "Your message to nobody@example.net could not be delivered.\n\n"
     "Reason: 550 5.1.1 mailbox unavailable\n"},
    {"Warehouse Reports", "reports@warehouse.example.org", "inventory@example.com",
     "Large data export (inventory)", "192.0.2.77", "", "", BodyKind::kLarge,
     "Attached below is the full inventory export as of this morning.\n\n"},
    {"Example Accounts", "no-reply@accounts.example.com", "heidi@example.com",
     "Password reset request", "198.51.100.5", "", "", BodyKind::kPlain,
     "Someone asked to reset the password of your account. If this was you, follow\n"
     "https://accounts.example.com/reset?token=3f9a1c; otherwise ignore this message.\n"},
    {"Build Server", "ci@build.example.org", "dev-list@example.com",
     "[dev-list] Build 4.2.1 failed: wire protocol tests", "198.51.100.99", "",
     "List-Id: Developers <dev-list.example.com>\nPrecedence: list\n", BodyKind::kPlain,
     "Build 4.2.1 of branch main failed.\n\n  tests/wire-protocol: 2 failures\n\n"
     "Details: https://build.example.org/jobs/4211\n"},
    {"Grace Kim", "grace@example.net", "carol@example.com", "Photos from the weekend",
     "192.0.2.143", "", "", BodyKind::kPlain,
     "Carol,\n\nthe photos from Saturday are in the shared album now. The one of the\n"
     "lake at sunset came out really well.\n\nGrace\n"},
    {"Robert Lee (CEO)", "ceo@executive.example.org", "accounts@example.com",
     "URGENT: wire transfer needed today", "203.0.113.9", "", "Importance: High\n",
     BodyKind::kPlain,
     "I need you to process a wire transfer of $48,500 today for a confidential\n"
     "acquisition. I am in meetings all day, reply by e-mail only.\n"},
    {"Helpdesk", "support@helpdesk.example.com", "frank@example.com",
     "Re: Re: Support ticket #88213", "192.0.2.20", "",
     "In-Reply-To: <t88213@helpdesk.example.com>\n", BodyKind::kPlain,
     "Hi Frank,\n\nthe printer driver update fixed the issue on our test machine too.\n"
     "We are closing the ticket; reply to this message to reopen it.\n"},
    {"Example Shop Orders", "orders@shop.example.org", "dave@example.com",
     "Your order has shipped", "198.51.100.23", "", "", BodyKind::kPlain,
     "Order 55012 has shipped and should arrive within three business days.\n"
     "Track it at https://shop.example.org/track/55012\n"},
    {"Heidi Schmidt", "heidi@example.net", "jobs@example.com",
     "Job application - Senior Engineer", "203.0.113.150", "", "", BodyKind::kPlain,
     "Dear hiring team,\n\nI am applying for the Senior Engineer position advertised on\n"
     "your website. My CV is available on request.\n\nBest regards,\nHeidi Schmidt\n"},
    {"Human Resources", "hr@example.com", "ivan@example.com", "Welcome to the team!",
     "192.0.2.31", "hr", "", BodyKind::kPlain,
     "Welcome aboard, Ivan! Your first day starts at 9:00 at the front desk.\n"},
    {"Parcel Service", "tracking@parcels.example.net", "grace@example.com",
     "Your parcel could not be delivered", "203.0.113.77", "", "", BodyKind::kExecutable,
     "We could not deliver your parcel. Run the attached label program to book a new\n"
     "delivery date.\n"},
};

// Mail from local users that leaves through the second connector, which adds a disclaimer.
constexpr SampleMail kSecondConnectorSamples[] = {
    {"Bob Jones", "bob@example.com", "erin@partner.example.net",
     "Re: Meeting invitation: Project Falcon kickoff", "192.0.2.12", "bob", "",
     BodyKind::kPlain,
     "Hi Erin,\n\nMonday at 10:00 works for me; I'll join in person.\n\nBob\n"},
    {"Accounts", "accounts@example.com", "billing@supplier.example.org",
     "Payment advice: invoice 2041", "192.0.2.31", "accounts", "", BodyKind::kPlain,
     "Dear Supplier Billing,\n\ninvoice 2041 has been approved and will be paid on the\n"
     "next payment run.\n\nAccounts\n"},
};

// Mail that only the scanners catch, queued on the first connector when they are on.
constexpr SampleMail kSpamAssassinSample = {
    "Special Offers", "offers@bulk.example.net", "ivan@example.com", "A special offer for you",
    "203.0.113.210", "", "", BodyKind::kPlain,
    "This message carries the GTUBE test text, which every SpamAssassin scores as spam:\n\n"
    "XJS*C4JDBQADN1.NSBN3*2IDNEN*GTUBE-STANDARD-ANTI-UBE-TEST-EMAIL*C.34X\n"};
constexpr SampleMail kVirusSample = {
    "Shared Files", "files@share.example.net", "heidi@example.com", "Document shared with you",
    "203.0.113.88", "", "", BodyKind::kTestVirus,
    "A document was shared with you; open the attachment to view it.\n"};
// clang-format on

// Rows of the large export; about 70 bytes each, so the message comes to a few hundred KB.
constexpr int kLargeExportRows = 4000;
constexpr size_t kBase64LineLength = 76;  // RFC 2045 6.8
constexpr int64_t kSecondsBetweenSamples = 173;
constexpr const char* kMimeBoundary = "=_sample_boundary_7f3a";
constexpr const char* kSampleAttachment =
    "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
    "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\n"
    "% Invoice 2041: 12 x widget, 3 x gadget; total due 1,245.00\n"
    "trailer << /Root 1 0 R >>\n%%EOF\n";
// The EICAR anti-virus test file: harmless, and reported by every virus scanner.
constexpr const char* kTestVirusFile =
    "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*";
// Not a working program: the name is what the attachment filter looks at.
constexpr const char* kSampleProgram = "MZ\x90\x00 sample label printer, not a real program\n";

std::string TreePath(const std::string& root, const char* part) {
    return root + "/" + part;
}

// Text written into message and envelope files: the queue holds CR LF lines.
std::string WithCrLf(const std::string& text) {
    std::string result;
    result.reserve(text.size() + text.size() / 32);
    for (char c : text) {
        if (c == '\n') result += '\r';
        result += c;
    }
    return result;
}

int WriteFileBytes(const std::string& path, const std::string& bytes, std::string* error) {
    platform::File file = platform::FileOpen(path.c_str(), platform::FileMode::kWriteBinary);
    int written = file != nullptr && platform::FileWrite(file, bytes.data(), bytes.size());
    if (file != nullptr && !platform::FileClose(file)) written = 0;
    if (!written) *error = "cannot write " + path;
    return written;
}

int MakeDirectory(const std::string& path, std::string* error) {
    if (platform::DirectoryCreate(path.c_str())) return 1;
    *error = "cannot create the directory " + path;
    return 0;
}

int MakeDirectories(const std::string& root, std::string* error) {
    for (const DirectorySetting& setting : kDirectorySettings)
        if (!MakeDirectory(TreePath(root, setting.part), error)) return 0;
    for (const char* part : kExtraDirectories)
        if (!MakeDirectory(TreePath(root, part), error)) return 0;
    for (const char* connector : {kSampleConnector, kSecondConnector}) {
        std::string connectorDirectory = TreePath(root, kTreeConnectorRoot) + "/" + connector;
        for (const char* queue : kQueueDirectories)
            if (!MakeDirectory(connectorDirectory + "/" + queue, error)) return 0;
    }
    return 1;
}

int SetRegistryValue(const char* key, const char* name, uint32_t type, const void* data,
                     uint32_t size, std::string* error) {
    platform::RegistryKey handle = nullptr;
    int done = platform::RegistryCreateKey(key, &handle) == platform::kRegOk &&
               platform::RegistrySetValue(handle, name, type, data, size) == platform::kRegOk;
    platform::RegistryCloseKey(handle);
    if (!done)
        *error = std::string("cannot write \"") + name + "\" to the registry " +
                 platform::RegistryDatabasePath();
    return done;
}

int SetRegistryText(const char* key, const char* name, const std::string& text,
                    std::string* error) {
    return SetRegistryValue(key, name, platform::kRegSz, text.c_str(),
                            static_cast<uint32_t>(text.size() + 1), error);
}

int WriteSettings(const std::string& root, std::string* error) {
    for (const DirectorySetting& setting : kDirectorySettings)
        if (!SetRegistryText(setting.key, setting.value, TreePath(root, setting.part), error))
            return 0;
    return SetRegistryValue(keys::kPlugin, values::kActivityLogEnabled, platform::kRegDword,
                            &kReportToFile, sizeof kReportToFile, error) &&
           SetRegistryText(keys::kSmtp, values::kLocalDomainName, kSampleLocalDomain, error);
}

// A fixed name per sample, shaped like the MTA's (32 hexadecimal digits and ".MAI"), so
// that the queue's order is the same in every demo.
std::string SampleMessageId(int index) {
    auto mix = [](uint64_t x) {  // splitmix64
        x += 0x9E3779B97F4A7C15ULL;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
        return x ^ (x >> 31);
    };
    char id[40];
    std::snprintf(id, sizeof id, "%016" PRIX64 "%016" PRIX64 ".MAI", mix(2 * index),
                  mix(2 * index + 1));
    return id;
}

std::string Rfc5322Date(int64_t utcSeconds) {
    struct tm parts {};
    platform::BreakDownUtc(utcSeconds, &parts);
    char text[64];
    // The tool never sets a locale, so day and month names are the English ones RFC 5322 needs.
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &parts);
    return text;
}

std::string DomainOf(const std::string& address) {
    return address.substr(address.find('@') + 1);
}

std::string Base64Lines(const std::string& bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        for (size_t digit = 0; digit < 4; ++digit)
            encoded += i + digit <= bytes.size() ? kDigits[(group >> (18 - 6 * digit)) & 63] : '=';
    }
    std::string lines;
    for (size_t start = 0; start < encoded.size(); start += kBase64LineLength)
        lines += encoded.substr(start, kBase64LineLength) + "\n";
    return lines;
}

std::string LargeExport(const char* introduction) {
    static constexpr const char* kColours[] = {"red", "green", "blue", "black", "white"};
    std::string text = introduction;
    char row[128];
    for (int n = 0; n < kLargeExportRows; ++n) {
        std::snprintf(row, sizeof row,
                      "SKU-%05d  widget, %-5s, bin %c-%02d, on hand %4d, reorder at %3d\n", n,
                      kColours[n % 5], 'A' + n % 26, n % 40, (n * 37) % 5000, (n * 11) % 400);
        text += row;
    }
    return text;
}

std::string PlainPart(const std::string& text) {
    return "Content-Type: text/plain; charset=us-ascii\nContent-Transfer-Encoding: 7bit\n\n" + text;
}

std::string MultipartBody(const char* subtype, const std::string& first,
                          const std::string& second) {
    std::string boundary = kMimeBoundary;
    return std::string("Content-Type: multipart/") + subtype + "; boundary=\"" + boundary +
           "\"\n\nThis is a multi-part message in MIME format.\n\n--" + boundary + "\n" + first +
           "\n--" + boundary + "\n" + second + "\n--" + boundary + "--\n";
}

// The Content-Type headers, the empty line and the body of a sample.
std::string ContentOf(const SampleMail& mail) {
    switch (mail.kind) {
        case BodyKind::kAlternative:
            return MultipartBody(
                "alternative", PlainPart(mail.body),
                "Content-Type: text/html; charset=us-ascii\n\n<html><body><h1>Weekly deals</h1>"
                "<p>This week only: <b>30% off</b> all garden tools.</p>"
                "<p><a href=\"https://shop.example.org/deals\">Shop now</a></p></body></html>\n");
        case BodyKind::kAttachment:
            return MultipartBody(
                "mixed", PlainPart(mail.body),
                "Content-Type: application/pdf; name=\"invoice-2041.pdf\"\n"
                "Content-Transfer-Encoding: base64\n"
                "Content-Disposition: attachment; filename=\"invoice-2041.pdf\"\n\n" +
                    Base64Lines(kSampleAttachment));
        case BodyKind::kLarge:
            return PlainPart(LargeExport(mail.body));
        case BodyKind::kExecutable:
            return MultipartBody("mixed", PlainPart(mail.body),
                                 "Content-Type: application/octet-stream; name=\"label.exe\"\n"
                                 "Content-Transfer-Encoding: base64\n"
                                 "Content-Disposition: attachment; filename=\"label.exe\"\n\n" +
                                     Base64Lines(kSampleProgram));
        case BodyKind::kTestVirus:
            return MultipartBody("mixed", PlainPart(mail.body),
                                 "Content-Type: application/octet-stream; name=\"eicar.com\"\n"
                                 "Content-Transfer-Encoding: base64\n"
                                 "Content-Disposition: attachment; filename=\"eicar.com\"\n\n" +
                                     Base64Lines(kTestVirusFile));
        case BodyKind::kPlain:
            break;
    }
    return PlainPart(mail.body);
}

std::string ComposeMessage(const SampleMail& mail, const std::string& id, int64_t time) {
    std::string date = Rfc5322Date(time);
    std::string senderDomain = DomainOf(mail.from);
    return WithCrLf("Received: from mail." + senderDomain + " ([" + mail.clientIp +
                    "])\n\tby mx1." + kSampleLocalDomain + " with ESMTP; " + date + "\n" +
                    "Message-ID: <" + id.substr(0, 32) + "@" + senderDomain + ">\n" +
                    "Date: " + date + "\nFrom: \"" + mail.fromName + "\" <" + mail.from +
                    ">\nTo: " + mail.to + "\nSubject: " + mail.subject + "\nMIME-Version: 1.0\n" +
                    mail.extraHeaders + ContentOf(mail));
}

// "[SMTP:a@example.com];[SMTP:b@example.com]" from the To header's list.
std::string EnvelopeRecipients(const std::string& to) {
    std::string recipients;
    size_t start = 0;
    while (start < to.size()) {
        size_t end = to.find(", ", start);
        if (end == std::string::npos) end = to.size();
        if (!recipients.empty()) recipients += ";";
        recipients += "[SMTP:" + to.substr(start, end - start) + "]";
        start = end + 2;
    }
    return recipients;
}

std::string ComposeEnvelope(const SampleMail& mail, int64_t time) {
    bool local = mail.user[0] != '\0';
    return WithCrLf("Recipients=" + EnvelopeRecipients(mail.to) + "\nSender=[SMTP:" + mail.from +
                    "]\nServer=mx1." + kSampleLocalDomain + "\nClientIP=" + mail.clientIp +
                    "\nAccount=" + (local ? kSampleLocalDomain : "") + "\nUser=" + mail.user +
                    "\nStatus=Ready\nSubject=" + mail.subject + "\nTimeAcquired=" +
                    std::to_string(time) + "\nAuthenticationStatus=" + (local ? "1" : "0") + "\n");
}

// A filter of the sample filter table: one criterion and up to two actions.
struct SampleAction {
    const char* name;       // action name as the action file spells it
    const char* parameter;  // the action's parameter column
};

struct SampleFilterFiles {
    SampleFilter names;           // identifier and display name
    CriterionType criterionType;  // the line of the criteria file that is enabled
    const char* condition;        // alternatives separated by commas
    SampleAction actions[3];      // an empty name ends the list
};

// In table order: the build notices stop first, so that they keep their subjects. The
// notice about a held program goes to the postmaster before the message is deleted (the
// notice quotes its headers); the sender of such mail is usually forged, and telling
// "him" would only send mail to an innocent party.
// clang-format off
constexpr SampleFilterFiles kSampleFilterFiles[] = {
    {kSampleFilters[0], kSubject, "Build",
     {{"STOP_PROCESSING", ""}, {"", ""}, {"", ""}}},
    {kSampleFilters[1], kSubject, "prize,prescription,suspended,wire,WON",
     {{"ADD_SUBJECT_PREFIX", "[SPAM] "}, {"ADD_HEADER", "X-Spam-Flag|YES"}, {"", ""}}},
    {kSampleFilters[2], kHasAttachmentsMatching, "*.exe,*.scr",
     {{"COPY_TO_QUARANTINE", ""},
      {"NOTIFY_ADDRESS",
       "<REFERENCE><FILE>BLOCKED</FILE><ADDRESS>postmaster@example.com</ADDRESS></REFERENCE>"},
      {"DELETE", ""}}},
    {kSampleFilters[3], kSize, "200000",
     {{"ADD_HEADER", "X-Large-Message|YES"}, {"", ""}, {"", ""}}},
    {kSampleFilters[4], kConnector, kSecondConnector,
     {{"APPEND_ANNOTATIONS", "1"}, {"", ""}, {"", ""}}},
};
// The scanners' verdicts: 1 is spam, 1 is a virus found.
constexpr SampleFilterFiles kSpamAssassinFilterFiles =
    {kSpamAssassinFilter, kSpamAssassin, "1",
     {{"ADD_SUBJECT_PREFIX", "[SPAM] "}, {"ADD_HEADER", "X-Spam-Flag|YES"}, {"", ""}}};
constexpr SampleFilterFiles kVirusFilterFiles =
    {kVirusFilter, kHasVirus, "1", {{"COPY_TO_QUARANTINE", ""}, {"DELETE", ""}, {"", ""}}};
// clang-format on

// Notices come from an address of their own: one sent to the notification sender
// itself is never made, so the postmaster cannot be both.
constexpr const char* kNotificationSender = "mail-filter@example.com";
constexpr const char* kBlockedTemplateName = "BLOCKED";
// A complete message: Date and Message-ID as every message needs them (RFC 5322 3.6).
constexpr const char* kBlockedTemplate =
    "From: \"Mail Filter\" <[QP_BADMAILSENDER]>\n"
    "To: <postmaster@example.com>\n"
    "Subject: Held in quarantine: [QP_FILTERNAME]\n"
    "Date: [QP_TIME]\n"
    "Message-ID: [QP_MID]\n"
    "MIME-Version: 1.0\n"
    "Content-Type: text/plain; charset=us-ascii\n"
    "Auto-Submitted: auto-generated\n"
    "\n"
    "The filter \"[QP_FILTERNAME]\" held message [QP_MSG]\n"
    "from [QP_SENDER] at [QP_TIME] ([QP_ACTIONDESC]).\n"
    "\n"
    "A copy is kept in the quarantine directory, and the message was deleted from the\n"
    "queue: it was not delivered. Release it only after checking the attachment.\n"
    "\n"
    "The headers of the message were:\n"
    "\n"
    "[QP_HEADERS]\n";
constexpr const char* kDisclaimer =
    "--\nThis message is confidential and meant for its addressees only. If it reached\n"
    "you by mistake, please tell the sender and delete it.\n";

// The criteria file: line n is criterion type n; the lines before the enabled one are off.
std::string CriteriaFile(const SampleFilterFiles& filter) {
    std::string text;
    for (int type = 0; type < filter.criterionType; ++type) text += "0\t\t\t\t\t1\n";
    return text + "1\t\t" + filter.condition + "\t\t\t1\n";
}

std::string ActionFile(const SampleFilterFiles& filter) {
    std::string text;
    for (const SampleAction& action : filter.actions)
        if (action.name[0] != '\0')
            text += std::string("1\t\t") + action.parameter + "\t" + action.name + "\t" +
                    filter.names.displayName + "\n";
    return text;
}

// The annotation file APPEND_ANNOTATIONS reads for a system filter: named by its id.
int WriteAnnotation(const std::string& root, const SampleFilterFiles& filter, std::string* error) {
    for (const SampleAction& action : filter.actions)
        if (std::string(action.name) == "APPEND_ANNOTATIONS")
            return WriteFileBytes(TreePath(root, kTreeConfiguration) +
                                      "/POSTOFFICES/System/Annotations/" + filter.names.filterId +
                                      ".TXT",
                                  WithCrLf(kDisclaimer), error);
    return 1;
}

// The sample filters, and those of the scanners that are on.
std::vector<SampleFilterFiles> FiltersOf(const ScannerDaemons& scanners) {
    std::vector<SampleFilterFiles> filters(std::begin(kSampleFilterFiles),
                                           std::end(kSampleFilterFiles));
    if (!scanners.spamd.empty()) filters.push_back(kSpamAssassinFilterFiles);
    if (!scanners.clamd.empty()) filters.push_back(kVirusFilterFiles);
    return filters;
}

int WriteSampleFilters(const std::string& root, const ScannerDaemons& scanners,
                       std::string* error) {
    std::string filters = TreePath(root, kTreeFilters);
    std::string table;
    for (const SampleFilterFiles& filter : FiltersOf(scanners)) {
        const std::string id = filter.names.filterId;
        // A trailing tab after the display name, as hand-edited tables often have.
        table += id + "\t1\t" + id + "\t\t" + filter.names.displayName + "\t\n";
        if (!WriteFileBytes(filters + "/CRITERIA/" + id + ".TAB", WithCrLf(CriteriaFile(filter)),
                            error) ||
            !WriteFileBytes(filters + "/ACTIONS/" + id + ".TAB", WithCrLf(ActionFile(filter)),
                            error) ||
            !WriteAnnotation(root, filter, error))
            return 0;
    }
    return WriteFileBytes(filters + "/FILTER.TAB", WithCrLf(table), error) &&
           WriteFileBytes(filters + "/Templates/" + kBlockedTemplateName + ".TXT",
                          WithCrLf(kBlockedTemplate), error) &&
           SetRegistryText(keys::kSmtp, values::kBadMailNotificationSender, kNotificationSender,
                           error);
}

// One connector's sample queue: an envelope and a message file per sample. With
// `outgoingCopy` the message is also where the connector sends it from, the copy that
// connector-bound actions (annotations) rewrite.
struct SampleQueue {
    const char* connector;
    const SampleMail* samples;
    int count;
    int firstIndex;  // of the message ids, so that no two queues share one
    bool outgoingCopy;
};

int WriteSampleQueue(const std::string& root, const SampleQueue& queue, int64_t firstTime,
                     std::string* error) {
    std::string connectorRoot = TreePath(root, kTreeConnectorRoot);
    std::string envelopes = InboundQueueDirectory(connectorRoot, queue.connector);
    std::string messages = InboundMessagesDirectory(connectorRoot, queue.connector);
    std::string outgoing = connectorRoot + "\\" + queue.connector + "\\Outgoing\\Messages";
    for (int n = 0; n < queue.count; ++n) {
        const SampleMail& mail = queue.samples[n];
        int index = queue.firstIndex + n;
        std::string id = SampleMessageId(index);
        int64_t time = firstTime + index * kSecondsBetweenSamples;
        std::string message = ComposeMessage(mail, id, time);
        if (!WriteFileBytes(messages + "\\" + id, message, error) ||
            !WriteFileBytes(envelopes + "\\" + id, ComposeEnvelope(mail, time), error) ||
            (queue.outgoingCopy && !WriteFileBytes(outgoing + "\\" + id, message, error)))
            return 0;
    }
    return queue.count;
}

int WriteSampleQueues(const std::string& root, const ScannerDaemons& scanners, std::string* error) {
    const int first = static_cast<int>(std::size(kSamples));
    const int second = static_cast<int>(std::size(kSecondConnectorSamples));
    std::vector<SampleMail> scannerSamples;
    if (!scanners.spamd.empty()) scannerSamples.push_back(kSpamAssassinSample);
    if (!scanners.clamd.empty()) scannerSamples.push_back(kVirusSample);
    const int third = static_cast<int>(scannerSamples.size());
    // Message ids follow the queues' order, so the scanner samples come last.
    const SampleQueue queues[] = {
        {kSampleConnector, kSamples, first, 0, false},
        {kSecondConnector, kSecondConnectorSamples, second, first, true},
        {kSampleConnector, scannerSamples.data(), third, first + second, false},
    };
    int64_t firstTime =
        platform::NowUtcSeconds() - (first + second + third) * kSecondsBetweenSamples;
    int total = 0;
    for (const SampleQueue& queue : queues) {
        if (queue.count > 0 && !WriteSampleQueue(root, queue, firstTime, error)) return 0;
        total += queue.count;
    }
    return total;
}

// A scanner switched on: its library from the build in the provider directory, its
// switch, and its daemon's address under the library's own key.
struct ScannerInstall {
    const char* library;      // file name in the build's scanner directory
    const char* switchValue;  // under the plug-in's key
    const char* settingsKey;  // the library's own key, below the plug-in's
    const char* addressValue;
};

// The files as the build names them (".so", or ".DLL" on Windows).
constexpr ScannerInstall kSpamAssassinInstall = {
    "QPFLTMSA" MTAFILTER_LIBRARY_SUFFIX, values::kSpamAssassinEnabled, "SpamAssassin", "Server"};
constexpr ScannerInstall kAntivirusInstall = {"QPAVGEN" MTAFILTER_LIBRARY_SUFFIX,
                                              values::kAntivirusStatus, "ClamAV", "Socket"};

int InstallScanner(const std::string& root, const ScannerInstall& scanner,
                   const std::string& address, std::string* error) {
    const std::string source = std::string(MTAFILTER_SCANNER_DIR) + "/" + scanner.library;
    const std::string target = TreePath(root, "app64/") + scanner.library;
    std::error_code failure;
    if (!std::filesystem::copy_file(source, target, failure)) {
        *error = "cannot copy " + source + " to " + target + ": " + failure.message() +
                 "; build it (cmake --build BUILD-DIR --target " +
                 std::string(scanner.library,
                             std::strlen(scanner.library) - std::strlen(MTAFILTER_LIBRARY_SUFFIX)) +
                 ")";
        return 0;
    }
    const uint32_t on = 1;
    return SetRegistryValue(keys::kPlugin, scanner.switchValue, platform::kRegDword, &on, sizeof on,
                            error) &&
           SetRegistryText((std::string(keys::kPlugin) + "\\" + scanner.settingsKey).c_str(),
                           scanner.addressValue, address, error);
}

int InstallScanners(const std::string& root, const ScannerDaemons& scanners, std::string* error) {
    return (scanners.spamd.empty() ||
            InstallScanner(root, kSpamAssassinInstall, scanners.spamd, error)) &&
           (scanners.clamd.empty() ||
            InstallScanner(root, kAntivirusInstall, scanners.clamd, error));
}

}  // namespace

std::string InboundQueueDirectory(const std::string& connectorRoot, const std::string& connector) {
    return connectorRoot + "\\" + connector + "\\Inbound";
}

std::string InboundMessagesDirectory(const std::string& connectorRoot,
                                     const std::string& connector) {
    return InboundQueueDirectory(connectorRoot, connector) + "\\Messages";
}

int BuildServerTree(const std::string& root, std::string* error, const ScannerDaemons& scanners) {
    if (!MakeDirectories(root, error) || !WriteSettings(root, error) ||
        !InstallScanners(root, scanners, error) || !WriteSampleFilters(root, scanners, error))
        return 0;
    return WriteSampleQueues(root, scanners, error);
}
