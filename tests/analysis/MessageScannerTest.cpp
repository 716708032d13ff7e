// tests/analysis/MessageScannerTest.cpp: the single pass over a queued message: loop marks,
// header and body lines, folded address headers, MIME parts and base64 skipping, uuencoded
// blocks, over-long lines and the URLBL mark of a listed link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "analysis/MessageScanner.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "platform/Console.h"
#include "providers/DnsProvider.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::HandBuiltRun;
using testing_support::kPluginKey;
using testing_support::LibraryFileName;
using testing_support::PluginTree;

constexpr const char* kMessageId = "M1.MAI";
// Matches any text: a criterion with it counts the texts it was offered.
constexpr const char* kAnything = "*";

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class MessageScannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
        RefreshDirectoryGroup(nullptr);
    }
    void TearDown() override {
        UnloadDnsProviderForTesting();
        platform::SetEnvironmentValue("STUB_DNS_LISTED_HOSTS", nullptr);
        ForgetFirstUseSettings();
        ResetSettings();
    }

    // Adds a filter to `r` using criterion `type` alone; returns its number.
    static int Uses(HandBuiltRun& r, int type, const std::string& value) {
        r.AddFilter(type, value);
        return r.set.filterCount;
    }
    int Uses(int type, const std::string& value) { return Uses(run, type, value); }
    int Count(int filter, int type) { return run.Result(filter).matchCount[type]; }

    // Queues `message` where the scope of `r` reads it, then scans it.
    int Scan(HandBuiltRun& r, const std::string& message) {
        const std::string queue = r.set.postoffice[0] != '\0' ? "Outgoing" : "Inbound";
        plugin.tree.WriteFile("connectors/SMTP/" + queue + "/Messages/" + kMessageId, message);
        return ScanQueued(r);
    }
    int Scan(const std::string& message) { return Scan(run, message); }

    int ScanQueued(HandBuiltRun& r) {
        SafeCopy(r.message.messageId, kMessageId);
        SafeCopy(r.message.connector, "SMTP");
        CaptureStdout();
        const int verdict = ScanMessage(&r.message, &r.set, &r.evaluations);
        console = GetCapturedStdout();
        return verdict;
    }

    void LoadDnsStub() {
        plugin.InstallProvider("Full", LibraryFileName("QPWINDNS"));
        LoadDnsProvider("");
        plugin.tree.WriteFile("stub-calls.txt", "");
    }
    size_t Lookups() const { return Occurrences(plugin.StubCalls(), "|HasORBDBEntry|"); }

    PluginTree plugin;
    HandBuiltRun run;
    std::string console;
};

TEST_F(MessageScannerTest, LoopMarkOfThisLevelLeavesTheMessageAlone) {
    struct Case {
        const char* name;
        const char* postoffice;
        const char* mailbox;
        const char* mark;
        bool inBody;
        int want;
    };
    const Case kCases[] = {
        {"system mark in lower case", "", "", "x-qpfilter: 1\r\n", false, 0},
        {"system mark in the body", "", "", "X-QPFilter: 1\r\n", true, 1},
        {"own postoffice, case ignored", "sales", "", "X-QP-POFilter: Sales\r\n", false, 0},
        {"mailbox of the postoffice", "sales", "bob", "X-QP-POFilter: Sales\r\n", false, 1},
        {"postoffice mark in the body", "sales", "", "X-QP-POFilter: Sales\r\n", true, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun r;
        SafeCopy(r.set.postoffice, c.postoffice);
        SafeCopy(r.set.mailbox, c.mailbox);
        const int subject = Uses(r, kSubject, kAnything);
        const int body = Uses(r, kBody, "after");
        const std::string header = std::string("Subject: first\r\n") + (c.inBody ? "" : c.mark);
        const std::string text = std::string("after\r\n") + (c.inBody ? c.mark : "");
        EXPECT_EQ(c.want, Scan(r, header + "Subject: second\r\n\r\n" + text + "after\r\n"));
        // Nothing after the mark is read.
        EXPECT_EQ(c.want == 1 ? 2 : 1, r.Result(subject).matchCount[kSubject]);
        EXPECT_EQ(c.want == 1 ? 2 : 0, r.Result(body).matchCount[kBody]);
    }
}

// A mark read ahead after a folded header still counts; a fold at the end of the file
// is still read.
TEST_F(MessageScannerTest, FoldedHeaderBeforeAMarkOrAtTheEndOfTheFile) {
    const int to = Uses(kTo, kAnything);
    const int body = Uses(kBody, kAnything);
    EXPECT_EQ(0, Scan("To: a@example.com\r\n b@example.com\r\nX-QPFilter: 1\r\n\r\nbody\r\n"));
    EXPECT_EQ(2, Count(to, kTo));
    EXPECT_EQ(1, Scan("To: a@example.com,\r\n b@example.com"));
    EXPECT_EQ(4, Count(to, kTo));
    EXPECT_EQ(0, Count(body, kBody));
}

// The size of a file that ends in the first read is what that read brought, of a longer
// one the file's own; a file replaced between scans is sized and read anew.
TEST_F(MessageScannerTest, SizeIsTheMessageFileSizeAndZeroWhenItIsMissing) {
    const int size = Uses(kSize, "-1");
    const int word = Uses(kBody, "short");
    EXPECT_EQ(0, ScanQueued(run));
    EXPECT_EQ(1, Count(size, kSize));
    EXPECT_STREQ("<SZ>0</SZ><SZL>-1</SZL>", run.Result(size).resultText[kSize]);
    const std::string message = "Subject: size\r\n\r\nsome body text\r\n";
    EXPECT_EQ(1, Scan(message));
    const std::string want = "<SZ>" + std::to_string(message.size()) + "</SZ><SZL>-1</SZL>";
    EXPECT_EQ(want, run.Result(size).resultText[kSize]);
    for (const std::string& body : {std::string(200000, 'x'), std::string("short")}) {
        const std::string replaced = "Subject: size\r\n\r\n" + body + "\r\n";
        EXPECT_EQ(1, Scan(replaced));
        EXPECT_EQ("<SZ>" + std::to_string(replaced.size()) + "</SZ><SZL>-1</SZL>",
                  run.Result(size).resultText[kSize]);
    }
    EXPECT_EQ(1, Count(word, kBody));
}

TEST_F(MessageScannerTest, EachScopeReadsItsOwnQueue) {
    // The system level filters the inbound queue, a postoffice its outgoing mail.
    plugin.QueueMessage("SMTP", kMessageId, "", "Subject: s\r\n\r\nbody\r\n");
    EXPECT_EQ(1, ScanQueued(run));
    HandBuiltRun postoffice;
    SafeCopy(postoffice.set.postoffice, "sales");
    EXPECT_EQ(0, ScanQueued(postoffice));
}

TEST_F(MessageScannerTest, FoldedAddressHeadersAreUnfolded) {
    const int from = Uses(kFrom, kAnything);
    const int fromValue = Uses(kFrom, "Alice*");
    const int fromContinuation = Uses(kFrom, " *");
    const int fromName = Uses(kFrom, "From:*");
    const int to = Uses(kTo, kAnything);
    const int toAddresses = Uses(kTo, "one@example.com\ttwo@example.com\tthree@example.com");
    const int toOrCc = Uses(kToOrCc, kAnything);
    const int cc = Uses(kCc, kAnything);
    const int headers = Uses(kHeadersContain, kAnything);
    const int subject = Uses(kSubject, kAnything);
    const int body = Uses(kBody, kAnything);
    EXPECT_EQ(1, Scan("From: Alice\r\n <alice@example.com>\r\nTo: <one@example.com>,\r\n "
                      "<two@example.com>,\r\n\t<three@example.com>\r\nCc: four@example.com,\r\n "
                      "five@example.com\r\nSubject: folded\r\n\r\nbody\r\n"));
    EXPECT_EQ(2, Count(from, kFrom));
    EXPECT_EQ(1, Count(fromValue, kFrom));         // the value, blanks after the colon skipped
    EXPECT_EQ(1, Count(fromContinuation, kFrom));  // a continuation whole, its blank included
    EXPECT_EQ(0, Count(fromName, kFrom));
    EXPECT_EQ(3, Count(to, kTo));
    EXPECT_EQ(3, Count(toAddresses, kTo));
    EXPECT_EQ(5, Count(toOrCc, kToOrCc));
    EXPECT_EQ(2, Count(cc, kCc));
    EXPECT_EQ(9, Count(headers, kHeadersContain));  // every header line and the empty line
    EXPECT_EQ(1, Count(subject, kSubject));         // the line after a fold is classified
    EXPECT_EQ(1, Count(body, kBody));
}

TEST_F(MessageScannerTest, HeaderAndBodyLinesAreToldApart) {
    const int subject = Uses(kSubject, kAnything);
    const int from = Uses(kFrom, kAnything);
    const int headers = Uses(kHeadersContain, kAnything);
    const int body = Uses(kBody, kAnything);
    const int boundaryHeaders = Uses(kBoundaryHeadersContain, kAnything);
    EXPECT_EQ(1, Scan("Subject: hello\r\nX-Mailer: test\r\n\r\nSubject: not a header\r\nFrom: "
                      "nobody\r\n\r\nboundary=\"late\"\r\n--late\r\n"));
    EXPECT_EQ(1, Count(subject, kSubject));
    EXPECT_EQ(0, Count(from, kFrom));
    EXPECT_EQ(3, Count(headers, kHeadersContain));
    EXPECT_EQ(5, Count(body, kBody));  // the empty body line included
    EXPECT_EQ(0, Count(boundaryHeaders, kBoundaryHeadersContain));
    EXPECT_EQ(std::string::npos, console.find("Mime"));
}

TEST_F(MessageScannerTest, NamedHeadersFeedTheirCriteria) {
    struct Case {
        const char* line;
        int type;
        const char* pattern;
        int want;
    };
    const Case kCases[] = {
        {"X-Priority: 1 (Highest)\r\n", kPriority, "High", 1},
        {"X-MSMail-Priority: High\r\n", kPriority, "High", 1},
        {"X-Subject: cheap\r\n", kSubject, kAnything, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.line);
        HandBuiltRun r;
        const int filter = Uses(r, c.type, c.pattern);
        EXPECT_EQ(1, Scan(r, std::string(c.line) + "\r\nbody\r\n"));
        EXPECT_EQ(c.want, r.Result(filter).matchCount[c.type]);
    }
}

TEST_F(MessageScannerTest, MimePartsAttachmentsAndBase64) {
    const int body = Uses(kBody, "word");
    const int partHeaders = Uses(kBoundaryHeadersContain, kAnything);
    const int base64Header = Uses(kBoundaryHeadersContain, "base64");
    const int hasAttachment = Uses(kHasAnAttachment, "1");
    const int pdf = Uses(kHasAttachmentsMatching, "*.pdf");
    const int stem = Uses(kHasAttachmentsMatching, "report");  // "." does not end a word here
    const int headers = Uses(kHeadersContain, kAnything);
    EXPECT_EQ(
        1, Scan("From: a@example.com\r\nContent-Type: "
                "multipart/mixed;\r\n\tboundary=\"==b1\"\r\nSubject: mime\r\n\r\npreamble "
                "word\r\n--==b1\r\nContent-Type: text/plain\r\n\r\nfirst part "
                "word\r\n--==b1\r\nContent-Type: application/pdf; "
                "name=\"report.pdf\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: "
                "attachment; filename=\"report.pdf\"\r\n\r\nd29yZA== "
                "word\r\nword\r\n--==b1\r\nContent-Type: text/plain\r\n\r\nthird part "
                "word\r\n--==b1--\r\nepilogue word\r\n"));
    // Preamble, first and third part, and the epilogue, which follows the closing
    // delimiter as part headers do; not the base64 part's lines.
    EXPECT_EQ(4, Count(body, kBody));
    EXPECT_EQ(10, Count(partHeaders, kBoundaryHeadersContain));
    EXPECT_EQ(1, Count(base64Header, kBoundaryHeadersContain));
    EXPECT_EQ(1, Count(hasAttachment, kHasAnAttachment));
    EXPECT_EQ(2, Count(pdf, kHasAttachmentsMatching));
    EXPECT_STREQ("<MF-A>*.pdf</MF-A>", run.Result(pdf).resultText[kHasAttachmentsMatching]);
    EXPECT_EQ(0, Count(stem, kHasAttachmentsMatching));
    EXPECT_EQ(5, Count(headers, kHeadersContain));
    EXPECT_EQ(1u, Occurrences(console, "Mime Encapsulatation detected\n"));
    EXPECT_EQ(2u, Occurrences(console, "Attachment Found:"));
}

TEST_F(MessageScannerTest, AttachmentNameFormsInPartHeaders) {
    struct Case {
        const char* line;
        size_t found;  // announced as an attachment
        int has;       // HASANATTACHMENT, which looks for "name=" itself
    };
    const Case kCases[] = {
        {"Content-Disposition: attachment; FILENAME=\"x.doc\"\r\n", 1, 1},
        {"Content-Type: application/msword; name = \"x.doc\"\r\n", 1, 0},
        {"Content-Type: application/msword; name=x.doc\r\n", 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.line);
        HandBuiltRun r;
        const int has = Uses(r, kHasAnAttachment, "1");
        EXPECT_EQ(1, Scan(r, std::string("Content-Type: multipart/mixed; boundary=b\r\n\r\n"
                                         "--b\r\n") +
                                 c.line + "\r\nname=\"body.doc\"\r\n--b--\r\n"));
        EXPECT_EQ(c.has, r.Result(has).matchCount[kHasAnAttachment]);
        EXPECT_EQ(c.found, Occurrences(console, "Attachment Found:"));
    }
}

TEST_F(MessageScannerTest, UnquotedBoundaryAndNestedMultipart) {
    const int partHeaders = Uses(kBoundaryHeadersContain, kAnything);
    const int body = Uses(kBody, "text");
    EXPECT_EQ(1,
              Scan("Content-Type: multipart/mixed; boundary=outer\r\n\r\n--outer\r\nContent-Type: "
                   "multipart/alternative; boundary=\"inner\"\r\n\r\n--inner\r\nContent-Type: "
                   "text/plain\r\n\r\ninner text\r\n--outer--\r\n"));
    // The inner boundary is not followed: its delimiter line opens nothing.
    EXPECT_EQ(3, Count(partHeaders, kBoundaryHeadersContain));
    EXPECT_EQ(1u, Occurrences(console, "Mime Encapsulatation detected\n"));
    EXPECT_EQ(1, Count(body, kBody));
}

TEST_F(MessageScannerTest, LaterBoundaryReplacesTheEarlierOne) {
    const int partHeaders = Uses(kBoundaryHeadersContain, kAnything);
    EXPECT_EQ(1, Scan("X-Old: boundary=\"first\"\r\nContent-Type: multipart/mixed; "
                      "boundary=\"second\"\r\n\r\n--first\r\n\r\n--second\r\n\r\n"));
    EXPECT_EQ(1, Count(partHeaders, kBoundaryHeadersContain));
    EXPECT_EQ(2u, Occurrences(console, "Mime Encapsulatation detected\n"));
}

TEST_F(MessageScannerTest, UuencodedBlocks) {
    const int matching = Uses(kHasAttachmentsMatching, "*.exe");
    const int stem = Uses(kHasAttachmentsMatching, "setup");  // "." ends a word here
    const int early = Uses(kHasAttachmentsMatching, "early.exe\tlate.exe");
    const int has = Uses(kHasAnAttachment, "1");
    const int body = Uses(kBody, kAnything);
    EXPECT_EQ(1, Scan("Subject: uu\r\n\r\nbegin 644 notes.txt\r\nname=\"early.exe\"\r\nBEGIN "
                      "\r\nname=\"setup.exe\"\r\nM86)C\r\nend \r\nname=\"late.exe\"\r\n"));
    EXPECT_EQ(1, Count(matching, kHasAttachmentsMatching));
    EXPECT_EQ(1, Count(stem, kHasAttachmentsMatching));
    EXPECT_EQ(0, Count(early, kHasAttachmentsMatching));
    EXPECT_EQ(1, Count(has, kHasAnAttachment));
    EXPECT_EQ(7, Count(body, kBody));  // the block's lines are body text too
    EXPECT_EQ(1u, Occurrences(console, "Binhex Attachment Found:"));
}

TEST_F(MessageScannerTest, OverLongLinesArriveInPieces) {
    const int headers = Uses(kHeadersContain, kAnything);
    const int from = Uses(kFrom, kAnything);
    const int subject = Uses(kSubject, kAnything);
    const int body = Uses(kBody, kAnything);
    const int partHeaders = Uses(kBoundaryHeadersContain, kAnything);
    const std::string longBoundary(3000, 'q');
    EXPECT_EQ(1, Scan("X-Long: " + std::string(5000, 'a') + "\r\n" +  // pieces of 2047
                      "From: " + std::string(3000, 'f') + "\r\n" +
                      "Content-Type: multipart/mixed; boundary=\"" + longBoundary + "\"\r\n" +
                      "Subject: s\r\n"
                      "\r\n" +
                      std::string(5000, 'b') + "\r\n" +  //
                      "--" + longBoundary + "\r\n"));
    EXPECT_EQ(1, Count(from, kFrom));
    EXPECT_EQ(1, Count(subject, kSubject));
    // X-Long 3 pieces, From 2, Content-Type 2, Subject, the empty line.
    EXPECT_EQ(9, Count(headers, kHeadersContain));
    // The body line's three pieces, then the delimiter line's two: its first piece holds
    // the delimiter (cut to its buffer) and opens a part.
    EXPECT_EQ(5, Count(body, kBody));
    EXPECT_EQ(2, Count(partHeaders, kBoundaryHeadersContain));
}

TEST_F(MessageScannerTest, ListedLinkMarksUrlblOnlyWithPerformSblRbl) {
    LoadDnsStub();
    const int urlbl = Uses(kUrlbl, "1");
    EXPECT_EQ(1, Scan("Subject: s\r\n\r\nsee http://listed.example/offer\r\n"));
    EXPECT_EQ(0, Count(urlbl, kUrlbl));
    EXPECT_EQ(0u, Lookups());
    plugin.registry.SetDword(kPluginKey, "Perform SBLRBL", 1);
    ForgetFirstUseSettings();
    EXPECT_EQ(1, Scan("Subject: http://listed.example/in-header\r\n\r\nsee "
                      "http://listed.example/offer\r\nand http://192.0.2.1/ then\r\nagain "
                      "<http://listed.example>\r\n"));
    EXPECT_EQ(2, Count(urlbl, kUrlbl));
    EXPECT_EQ(3u, Lookups());  // header lines are not checked
}

TEST_F(MessageScannerTest, LinkBudgetCoversTheWholeMessageAndStartsAfreshPerMessage) {
    plugin.registry.SetDword(kPluginKey, "Perform SBLRBL", 1);
    LoadDnsStub();
    Settings().uriSblMaxChecks = 0;
    const std::string line = "http://192.0.2.1/ http://192.0.2.2/ http://192.0.2.3/\r\n";
    const std::string message = "Subject: s\r\n\r\n" + line + line;
    EXPECT_EQ(1, Scan(message));
    EXPECT_EQ(3u, Lookups());  // two on the first line, then one per line
    EXPECT_EQ(1, Scan(message));
    EXPECT_EQ(6u, Lookups());
}

}  // namespace
