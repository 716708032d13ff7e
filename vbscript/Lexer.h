// vbscript/Lexer.h: turns program text into tokens that carry their line and column.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "vbscript/Value.h"

namespace vbscript {

enum class Tok : uint8_t {
    End,      // end of the text
    Newline,  // a line break
    Colon,    // ':' statement separator
    Identifier,
    Keyword,
    Number,
    String,
    DateLiteral,
    LParen,
    RParen,
    Comma,
    Dot,
    Plus,
    Minus,
    Star,
    Slash,
    Backslash,
    Caret,
    Ampersand,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
};

// Reserved words; contextual ones (Step, Preserve, Error, Explicit, Get, Let, Property,
// Default, Resume, GoTo) stay identifiers and the parser recognises them by name.
enum class Kw : uint8_t {
    None,
    And,
    ByRef,
    ByVal,
    Call,
    Case,
    Class,
    Const,
    Dim,
    Do,
    Each,
    Else,
    ElseIf,
    Empty,
    End,
    Eqv,
    Erase,
    Exit,
    False,
    For,
    Function,
    If,
    Imp,
    In,
    Is,
    Loop,
    Mod,
    New,
    Next,
    Not,
    Nothing,
    Null,
    On,
    Option,
    Or,
    Private,
    Public,
    ReDim,
    Select,
    Set,
    Sub,
    Then,
    To,
    True,
    Until,
    Wend,
    While,
    With,
    Xor,
    Me,
};

// A token is a view into the program text, which must outlive it: scanning copies nothing,
// and values (names in lower case, string contents, numbers) are made only when the parser
// keeps them.
struct Token {
    Tok kind = Tok::End;
    Kw keyword = Kw::None;
    bool spaceBefore = false;
    int line = 0;    // from 0
    int column = 0;  // from 0
    // A name as written (inside any brackets), a string's body with its quotes still
    // doubled, a number as written (with any &H, &O or & marks), a date literal's body.
    std::string_view text;
};

// Throws a compilation ScriptError (1032, 1033) for text it cannot read.
std::vector<Token> Tokenize(std::string_view text, int firstLine);

// A name token's text in lower case, as the language compares names.
std::string NameOf(const Token& token);
// Whether a name token is `lowerWord`, in any case.
bool NameIs(const Token& token, std::string_view lowerWord);
// A string token's contents with each doubled quote made single.
std::string StringOf(const Token& token);
// A number token's value: Integer, Long or Double as the literal reads.
Value NumberOf(const Token& token);

}  // namespace vbscript
