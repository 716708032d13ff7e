// vbscript/Lexer.cpp: the scanner. Names are folded to lower case here, since the language
// ignores case; comments and line continuations never reach the parser.
#include "vbscript/Lexer.h"

#include <cctype>
#include <cstdlib>
#include <unordered_map>

#include "vbscript/Errors.h"

namespace vbscript {
namespace {

const std::unordered_map<std::string_view, Kw>& Keywords() {
    static const std::unordered_map<std::string_view, Kw> table = {
        {"and", Kw::And}, {"byref", Kw::ByRef}, {"byval", Kw::ByVal}, {"call", Kw::Call},
        {"case", Kw::Case}, {"class", Kw::Class}, {"const", Kw::Const}, {"dim", Kw::Dim},
        {"do", Kw::Do}, {"each", Kw::Each}, {"else", Kw::Else}, {"elseif", Kw::ElseIf},
        {"empty", Kw::Empty}, {"end", Kw::End}, {"eqv", Kw::Eqv}, {"erase", Kw::Erase},
        {"exit", Kw::Exit}, {"false", Kw::False}, {"for", Kw::For}, {"function", Kw::Function},
        {"if", Kw::If}, {"imp", Kw::Imp}, {"in", Kw::In}, {"is", Kw::Is}, {"loop", Kw::Loop},
        {"mod", Kw::Mod}, {"new", Kw::New}, {"next", Kw::Next}, {"not", Kw::Not},
        {"nothing", Kw::Nothing}, {"null", Kw::Null}, {"on", Kw::On}, {"option", Kw::Option},
        {"or", Kw::Or}, {"private", Kw::Private}, {"public", Kw::Public}, {"redim", Kw::ReDim},
        {"select", Kw::Select}, {"set", Kw::Set}, {"sub", Kw::Sub}, {"then", Kw::Then},
        {"to", Kw::To}, {"true", Kw::True}, {"until", Kw::Until}, {"wend", Kw::Wend},
        {"while", Kw::While}, {"with", Kw::With}, {"xor", Kw::Xor}, {"me", Kw::Me},
    };
    return table;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

class Scanner {
public:
    Scanner(std::string_view text, int firstLine) : text_(text), line_(firstLine) {}

    std::vector<Token> Run() {
        std::vector<Token> tokens;
        tokens.reserve(text_.size() / 3 + 16);
        for (;;) {
            bool space = SkipBlanks();
            Token token;
            token.line = line_;
            token.column = static_cast<int>(pos_ - lineStart_);
            token.spaceBefore = space;
            if (pos_ >= text_.size()) {
                tokens.push_back(token);
                return tokens;
            }
            Scan(&token);
            tokens.push_back(std::move(token));
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
            } else if (c == '\'' || (IsRem() && !IsNameChar(Peek(3)))) {
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
        return std::tolower(static_cast<unsigned char>(Peek())) == 'r' &&
               std::tolower(static_cast<unsigned char>(Peek(1))) == 'e' &&
               std::tolower(static_cast<unsigned char>(Peek(2))) == 'm' &&
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
        } else if (IsNameStart(c)) {
            ScanName(token);
        } else if (c == '[') {
            ScanBracketName(token);
        } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)))) {
            ScanNumber(token);
        } else if (c == '&' && (std::tolower(static_cast<unsigned char>(Peek(1))) == 'h' ||
                                std::tolower(static_cast<unsigned char>(Peek(1))) == 'o' ||
                                IsDigit(Peek(1)))) {
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
        while (IsNameChar(Peek())) ++pos_;
        token->raw = std::string(text_.substr(start, pos_ - start));
        token->text = token->raw;
        for (char& c : token->text) c = Lower(c);
        auto found = Keywords().find(token->text);
        if (found != Keywords().end()) {
            token->kind = Tok::Keyword;
            token->keyword = found->second;
        } else {
            token->kind = Tok::Identifier;
        }
    }

    // [any name] lets a script use a reserved word or spaces as an identifier.
    void ScanBracketName(Token* token) {
        size_t close = text_.find(']', pos_);
        if (close == std::string_view::npos) Fail(kErrInvalidCharacter);
        for (size_t i = pos_ + 1; i < close; ++i)
            token->text += static_cast<char>(std::tolower(static_cast<unsigned char>(text_[i])));
        token->kind = Tok::Identifier;
        pos_ = close + 1;
    }

    void ScanNumber(Token* token) {
        size_t start = pos_;
        bool whole = true;
        while (IsDigit(Peek())) ++pos_;
        if (Peek() == '.') {
            whole = false;
            ++pos_;
            while (IsDigit(Peek())) ++pos_;
        }
        if ((Peek() == 'e' || Peek() == 'E') &&
            (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
            whole = false;
            pos_ += 2;
            while (IsDigit(Peek())) ++pos_;
        }
        std::string digits(text_.substr(start, pos_ - start));
        double value = std::strtod(digits.c_str(), nullptr);
        token->kind = Tok::Number;
        if (whole && value <= 2147483647.0) {
            token->number = Value::Whole(static_cast<int64_t>(value));
        } else {
            token->number = Value::Double(value);
        }
        if (IsNameStart(Peek())) Fail(kErrExpectedEndOfStatement);
    }

    // &Hxx, &Oxx and &nn: 16-bit values stay Integer, wider ones are Long.
    void ScanRadix(Token* token) {
        ++pos_;
        int radix = 8;
        char marker = static_cast<char>(std::tolower(static_cast<unsigned char>(Peek())));
        if (marker == 'h' || marker == 'o') {
            radix = marker == 'h' ? 16 : 8;
            ++pos_;
        }
        uint64_t n = 0;
        size_t digits = 0;
        for (;; ++pos_, ++digits) {
            char c = static_cast<char>(std::tolower(static_cast<unsigned char>(Peek())));
            int digit = IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99);
            if (digit >= radix) break;
            n = n * static_cast<uint64_t>(radix) + static_cast<uint64_t>(digit);
            if (n > 0xFFFFFFFFu) Fail(kErrSyntax);
        }
        if (digits == 0) Fail(kErrSyntax);
        if (Peek() == '&') ++pos_;  // the Long type suffix
        token->kind = Tok::Number;
        token->number = n <= 0xFFFF ? Value::Integer(static_cast<int16_t>(n))
                                    : Value::Long(static_cast<int32_t>(n));
    }

    void ScanString(Token* token) {
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size() || Peek() == '\n' || Peek() == '\r')
                Fail(kErrUnterminatedString);
            char c = text_[pos_++];
            if (c == '"') {
                if (Peek() != '"') break;
                ++pos_;
            }
            token->text += c;
        }
        token->kind = Tok::String;
    }

    void ScanDate(Token* token) {
        size_t close = text_.find('#', pos_ + 1);
        size_t lineEnd = text_.find_first_of("\r\n", pos_);
        if (close == std::string_view::npos || close > lineEnd) Fail(kErrSyntax);
        token->text = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
        token->kind = Tok::DateLiteral;
        pos_ = close + 1;
    }

    void ScanOperator(Token* token) {
        struct Op {
            const char* text;
            Tok kind;
        };
        static constexpr Op kOps[] = {
            {"<>", Tok::NotEqual}, {"<=", Tok::LessEqual}, {">=", Tok::GreaterEqual},
            {"=<", Tok::LessEqual}, {"=>", Tok::GreaterEqual}, {"(", Tok::LParen},
            {")", Tok::RParen}, {",", Tok::Comma}, {".", Tok::Dot}, {"+", Tok::Plus},
            {"-", Tok::Minus}, {"*", Tok::Star}, {"/", Tok::Slash}, {"\\", Tok::Backslash},
            {"^", Tok::Caret}, {"&", Tok::Ampersand}, {"=", Tok::Equal}, {"<", Tok::Less},
            {">", Tok::Greater}, {":", Tok::Colon},
        };
        for (const Op& op : kOps) {
            std::string_view text(op.text);
            if (text_.substr(pos_, text.size()) == text) {
                token->kind = op.kind;
                pos_ += text.size();
                return;
            }
        }
        Fail(kErrInvalidCharacter);
    }

    [[noreturn]] void Fail(int number) {
        ThrowCompile(number, line_, static_cast<int>(pos_ - lineStart_));
    }

    std::string_view text_;
    size_t pos_ = 0;
    size_t lineStart_ = 0;
    int line_;
};

}  // namespace

std::vector<Token> Tokenize(std::string_view text, int firstLine) {
    return Scanner(text, firstLine).Run();
}

}  // namespace vbscript
