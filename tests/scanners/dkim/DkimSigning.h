// tests/scanners/dkim/DkimSigning.h: messages signed with libopendkim for the DKIM
// provider's tests, as selector "sel" of example.com with one RSA key for the program.
#pragma once

#include <cstring>
#include <string>

#include "scanners/dkim/OpenDkim.h"
#include "tests/fixtures/TempTree.h"

namespace dkim_testing {

// The DKIM-Signature header libopendkim makes for `message` with `privateKey`.
inline std::string Sign(const std::string& message, const std::string& privateKey) {
    DKIM_LIB* lib = dkim_init(nullptr, nullptr);
    DKIM_STAT status;
    std::string key = privateKey;
    DKIM* signer = dkim_sign(
        lib, reinterpret_cast<const unsigned char*>("test"), nullptr,
        reinterpret_cast<unsigned char*>(key.data()), reinterpret_cast<const unsigned char*>("sel"),
        reinterpret_cast<const unsigned char*>("example.com"), DKIM_CANON_RELAXED,
        DKIM_CANON_SIMPLE, DKIM_SIGN_RSASHA256, -1, &status);
    std::string header;
    if (signer != nullptr) {
        std::string copy = message;
        dkim_chunk(signer, reinterpret_cast<unsigned char*>(copy.data()), copy.size());
        dkim_chunk(signer, nullptr, 0);
        unsigned char value[4096];
        if (dkim_eom(signer, nullptr) == DKIM_STAT_OK &&
            dkim_getsighdr(signer, value, sizeof value, std::strlen("DKIM-Signature: ")) ==
                DKIM_STAT_OK)
            header = std::string("DKIM-Signature: ") + reinterpret_cast<char*>(value) + "\r\n";
        dkim_free(signer);
    }
    dkim_close(lib);
    return header;
}

struct KeyPair {
    std::string privateKey;  // PEM
    std::string publicKey;   // base64 DER, as p= holds it
};

// One key pair for the whole program: generating RSA keys is the slow part.
inline const KeyPair& Keys() {
    static const KeyPair keys = [] {
        KeyPair made;
        testing_support::TempTree tree;
        if (testing_support::RunCommand("openssl genrsa -out " + tree.Join("key.pem") +
                                            " 2048 2>/dev/null && openssl rsa -in " +
                                            tree.Join("key.pem") +
                                            " -pubout -outform DER 2>/dev/null | base64 -w0",
                                        &made.publicKey) == 0)
            made.privateKey = tree.ReadFile("key.pem");
        return made;
    }();
    return keys;
}

}  // namespace dkim_testing
