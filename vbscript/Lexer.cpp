// vbscript/Lexer.cpp: the scanner. Comments and line continuations never reach the parser;
// tokens only point into the text, so scanning a program allocates nothing but the token
// array, which matters because every filter run parses its script afresh.
#include "vbscript/Lexer.h"

#include <cstdlib>
#include <iterator>

#include "vbscript/Errors.h"

namespace vbscript {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Letters, digits and '_', looked up rather than tested since names are most of a program.
struct NameChars {
    bool is[256] = {};
    constexpr NameChars() {
        for (int c = 0; c < 256; ++c)
            is[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_';
    }
};
constexpr NameChars kNameChars;
bool IsNameChar(char c) {
    return kNameChars.is[static_cast<unsigned char>(c)];
}

struct KeywordEntry {
    std::string_view name;
    Kw keyword;
};

// Grouped by first letter so that a name is compared with a handful of words at most.
constexpr KeywordEntry kKeywords[] = {
    {"and", Kw::And},         {"byref", Kw::ByRef},
    {"byval", Kw::ByVal},     {"call", Kw::Call},
    {"case", Kw::Case},       {"class", Kw::Class},
    {"const", Kw::Const},     {"dim", Kw::Dim},
    {"do", Kw::Do},           {"each", Kw::Each},
    {"else", Kw::Else},       {"elseif", Kw::ElseIf},
    {"empty", Kw::Empty},     {"end", Kw::End},
    {"eqv", Kw::Eqv},         {"erase", Kw::Erase},
    {"exit", Kw::Exit},       {"false", Kw::False},
    {"for", Kw::For},         {"function", Kw::Function},
    {"if", Kw::If},           {"imp", Kw::Imp},
    {"in", Kw::In},           {"is", Kw::Is},
    {"loop", Kw::Loop},       {"me", Kw::Me},
    {"mod", Kw::Mod},         {"new", Kw::New},
    {"next", Kw::Next},       {"not", Kw::Not},
    {"nothing", Kw::Nothing}, {"null", Kw::Null},
    {"on", Kw::On},           {"option", Kw::Option},
    {"or", Kw::Or},           {"private", Kw::Private},
    {"public", Kw::Public},   {"redim", Kw::ReDim},
    {"select", Kw::Select},   {"set", Kw::Set},
    {"sub", Kw::Sub},         {"then", Kw::Then},
    {"to", Kw::To},           {"true", Kw::True},
    {"until", Kw::Until},     {"wend", Kw::Wend},
    {"while", Kw::While},     {"with", Kw::With},
    {"xor", Kw::Xor},
};
constexpr size_t kLongestKeyword = 8;

bool EqualsNoCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (Lower(text[i]) != lowerWord[i]) return false;
    return true;
}

// Index of the first keyword of each initial letter in kKeywords; the entry after it ends
// the letter's run.
struct KeywordIndex {
    uint8_t start[27] = {};
    constexpr KeywordIndex() {
        size_t entry = 0;
        for (int letter = 0; letter < 27; ++letter) {
            while (entry < std::size(kKeywords) && kKeywords[entry].name[0] - 'a' < letter) ++entry;
            start[letter] = static_cast<uint8_t>(entry);
        }
    }
};
constexpr KeywordIndex kKeywordIndex;

Kw FindKeyword(std::string_view name) {
    if (name.size() < 2 || name.size() > kLongestKeyword) return Kw::None;
    char first = Lower(name[0]);
    if (first < 'a' || first > 'z') return Kw::None;
    int letter = first - 'a';
    for (size_t i = kKeywordIndex.start[letter]; i < kKeywordIndex.start[letter + 1]; ++i)
        if (EqualsNoCase(name, kKeywords[i].name)) return kKeywords[i].keyword;
    return Kw::None;
}

class Scanner {
public:
    Scanner(std::string_view text, int firstLine) : text_(text), line_(firstLine) {}

    std::vector<Token> Run() {
        std::vector<Token> tokens;
        tokens.reserve(text_.size() / 4 + 16);
        for (;;) {
            bool space = SkipBlanks();
            Token& token = tokens.emplace_back();
            token.line = line_;
            token.column = static_cast<int>(pos_ - lineStart_);
            token.spaceBefore = space;
            if (pos_ >= text_.size()) return tokens;
            Scan(&token);
        }
    }

private:
    char Peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    // Skips spaces, tabs, comments and "_" continuations; reports whether any were skipped.
    bool SkipBlanks() {
        size_t start = pos_;
        for (;;) {
            char c = Peek();
            if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '\'' || ((c == 'r' || c == 'R') && IsRem())) {
                while (pos_ < text_.size() && Peek() != '\n' && Peek() != '\r') ++pos_;
            } else if (c == '_' && ContinuationFollows()) {
                ++pos_;
                while (Peek() == ' ' || Peek() == '\t') ++pos_;
                NewLine();
            } else {
                return pos_ != start;
            }
        }
    }

    bool IsRem() const {
        return Lower(Peek(1)) == 'e' && Lower(Peek(2)) == 'm' && !IsNameChar(Peek(3)) &&
               (pos_ == 0 || !IsNameChar(text_[pos_ - 1]));
    }

    bool ContinuationFollows() const {
        size_t scan = pos_ + 1;
        while (scan < text_.size() && (text_[scan] == ' ' || text_[scan] == '\t')) ++scan;
        return scan < text_.size() && (text_[scan] == '\n' || text_[scan] == '\r');
    }

    // Consumes one line break at pos_.
    void NewLine() {
        if (Peek() == '\r' && Peek(1) == '\n') ++pos_;
        ++pos_;
        ++line_;
        lineStart_ = pos_;
    }

    void Scan(Token* token) {
        char c = Peek();
        if (c == '\r' || c == '\n') {
            token->kind = Tok::Newline;
            NewLine();
        } else if (IsLetter(c)) {
            ScanName(token);
        } else if (c == '[') {
            ScanBracketName(token);
        } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)))) {
            ScanNumber(token);
        } else if (c == '&' &&
                   (Lower(Peek(1)) == 'h' || Lower(Peek(1)) == 'o' || IsDigit(Peek(1)))) {
            ScanRadix(token);
        } else if (c == '"') {
            ScanString(token);
        } else if (c == '#') {
            ScanDate(token);
        } else {
            ScanOperator(token);
        }
    }

    void ScanName(Token* token) {
        size_t start = pos_;
        while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
        token->text = text_.substr(start, pos_ - start);
        token->keyword = FindKeyword(token->text);
        token->kind = token->keyword == Kw::None ? Tok::Identifier : Tok::Keyword;
    }

    // [any name] lets a script use a reserved word or spaces as an identifier.
    void ScanBracketName(Token* token) {
        size_t close = text_.find(']', pos_);
        if (close == std::string_view::npos) Fail(kErrInvalidCharacter);
        token->text = text_.substr(pos_ + 1, close - pos_ - 1);
        token->kind = Tok::Identifier;
        pos_ = close + 1;
    }

    void ScanNumber(Token* token) {
        size_t start = pos_;
        while (IsDigit(Peek())) ++pos_;
        if (Peek() == '.') {
            ++pos_;
            while (IsDigit(Peek())) ++pos_;
        }
        if ((Peek() == 'e' || Peek() == 'E') &&
            (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
            pos_ += 2;
            while (IsDigit(Peek())) ++pos_;
        }
        bool whole = pos_ - start == CountDigits(start);
        // The Long type suffix; "1&H" or "1&x" stay concatenations.
        if (whole && Peek() == '&' && !IsLetter(Peek(1)) && !IsDigit(Peek(1))) ++pos_;
        token->kind = Tok::Number;
        token->text = text_.substr(start, pos_ - start);
        if (IsLetter(Peek())) Fail(kErrExpectedEndOfStatement);
    }

    size_t CountDigits(size_t start) const {
        size_t end = start;
        while (end < text_.size() && IsDigit(text_[end])) ++end;
        return end - start;
    }

    // &Hxx, &Oxx and &nn; their value waits for NumberOf, only the range is checked here
    // so that the error points at the literal.
    void ScanRadix(Token* token) {
        size_t start = pos_++;
        int radix = 8;
        char marker = Lower(Peek());
        if (marker == 'h' || marker == 'o') {
            radix = marker == 'h' ? 16 : 8;
            ++pos_;
        }
        uint64_t n = 0;
        size_t digits = 0;
        for (;; ++pos_, ++digits) {
            char c = Lower(Peek());
            int digit = IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99);
            if (digit >= radix) break;
            n = n * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
            if (n > 0xFFFFFFFFu) Fail(kErrSyntax);
        }
        if (digits == 0) Fail(kErrSyntax);
        if (Peek() == '&') ++pos_;  // the Long type suffix
        token->kind = Tok::Number;
        token->text = text_.substr(start, pos_ - start);
    }

    void ScanString(Token* token) {
        size_t start = ++pos_;
        for (;;) {
            if (pos_ >= text_.size() || Peek() == '\n' || Peek() == '\r')
                Fail(kErrUnterminatedString);
            char c = text_[pos_++];
            if (c == '"') {
                if (Peek() != '"') break;
                ++pos_;
            }
        }
        token->kind = Tok::String;
        token->text = text_.substr(start, pos_ - 1 - start);
    }

    void ScanDate(Token* token) {
        size_t close = text_.find('#', pos_ + 1);
        size_t lineEnd = text_.find_first_of("\r\n", pos_);
        if (close == std::string_view::npos || close > lineEnd) Fail(kErrSyntax);
        token->text = text_.substr(pos_ + 1, close - pos_ - 1);
        token->kind = Tok::DateLiteral;
        pos_ = close + 1;
    }

    void ScanOperator(Token* token) {
        char c = Peek();
        char next = Peek(1);
        Tok kind = Tok::End;
        size_t length = 1;
        switch (c) {
            case '<':
                kind = next == '>' ? Tok::NotEqual : next == '=' ? Tok::LessEqual : Tok::Less;
                length = next == '>' || next == '=' ? 2 : 1;
                break;
            case '>':
                kind = next == '=' ? Tok::GreaterEqual : Tok::Greater;
                length = next == '=' ? 2 : 1;
                break;
            case '=':
                kind = next == '<' ? Tok::LessEqual : next == '>' ? Tok::GreaterEqual : Tok::Equal;
                length = next == '<' || next == '>' ? 2 : 1;
                break;
            case '(':
                kind = Tok::LParen;
                break;
            case ')':
                kind = Tok::RParen;
                break;
            case ',':
                kind = Tok::Comma;
                break;
            case '.':
                kind = Tok::Dot;
                break;
            case '+':
                kind = Tok::Plus;
                break;
            case '-':
                kind = Tok::Minus;
                break;
            case '*':
                kind = Tok::Star;
                break;
            case '/':
                kind = Tok::Slash;
                break;
            case '\\':
                kind = Tok::Backslash;
                break;
            case '^':
                kind = Tok::Caret;
                break;
            case '&':
                kind = Tok::Ampersand;
                break;
            case ':':
                kind = Tok::Colon;
                break;
            default:
                Fail(kErrInvalidCharacter);
        }
        token->kind = kind;
        token->text = text_.substr(pos_, length);
        pos_ += length;
    }

    [[noreturn]] void Fail(int number) {
        ThrowCompile(number, line_, static_cast<int>(pos_ - lineStart_));
    }

    std::string_view text_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int line_;
};

Value RadixValue(std::string_view text) {
    size_t pos = 1;
    int radix = 8;
    char marker = Lower(text[pos]);
    if (marker == 'h' || marker == 'o') {
        radix = marker == 'h' ? 16 : 8;
        ++pos;
    }
    uint64_t n = 0;
    bool longSuffix = text.back() == '&';
    for (; pos < text.size() && text[pos] != '&'; ++pos) {
        char c = Lower(text[pos]);
        int digit = IsDigit(c) ? c - '0' : c - 'a' + 10;
        n = n * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
    }
    // Up to 16 digits' worth of bits read as a signed Integer (&HFFFF is -1), wider ones as
    // a signed Long; a Long whose value an Integer holds is an Integer (&HFFFFFFFF is -1),
    // unless the & suffix asks for a Long.
    int64_t value = n <= 0xFFFF ? static_cast<int16_t>(n) : static_cast<int32_t>(n);
    if (longSuffix) return Value::Long(n <= 0xFFFF ? static_cast<int64_t>(n) : value);
    return value >= -32768 && value <= 32767 ? Value::Integer(value) : Value::Long(value);
}

}  // namespace

std::vector<Token> Tokenize(std::string_view text, int firstLine) {
    return Scanner(text, firstLine).Run();
}

std::string NameOf(const Token& token) {
    std::string name(token.text);
    for (char& c : name) c = Lower(c);
    return name;
}

bool NameIs(const Token& token, std::string_view lowerWord) {
    return token.kind == Tok::Identifier && EqualsNoCase(token.text, lowerWord);
}

std::string StringOf(const Token& token) {
    std::string contents;
    contents.reserve(token.text.size());
    for (size_t i = 0; i < token.text.size(); ++i) {
        contents += token.text[i];
        if (token.text[i] == '"') ++i;  // the second of a doubled quote
    }
    return contents;
}

Value NumberOf(const Token& token) {
    std::string_view text = token.text;
    if (!text.empty() && text[0] == '&') return RadixValue(text);
    if (!text.empty() && text.back() == '&') {
        int64_t n = 0;
        if (text.size() > 11) ThrowRuntime(kErrOverflow);
        for (char c : text.substr(0, text.size() - 1)) n = n * 10 + (c - '0');
        if (n > 2147483647) ThrowRuntime(kErrOverflow);
        return Value::Long(n);
    }
    bool whole = text.find_first_of(".eE") == std::string_view::npos;
    if (whole && text.size() <= 9) {
        int64_t n = 0;
        for (char c : text) n = n * 10 + (c - '0');
        return Value::Whole(n);
    }
    char digits[64];
    std::string copy;
    const char* start = digits;
    if (text.size() < sizeof digits) {
        text.copy(digits, text.size());
        digits[text.size()] = '\0';
    } else {
        copy.assign(text);
        start = copy.c_str();
    }
    double value = std::strtod(start, nullptr);
    if (whole && value <= 2147483647.0) return Value::Whole(static_cast<int64_t>(value));
    return Value::Double(value);
}

}  // namespace vbscript
