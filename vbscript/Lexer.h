// vbscript/Lexer.h: turns program text into tokens that carry their line and column.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "vbscript/Value.h"

namespace vbscript {

enum class Tok {
    End,        // end of the text
    Newline,    // a line break
    Colon,      // ':' statement separator
    Identifier,
    Keyword,
    Number,
    String,
    DateLiteral,
    LParen, RParen, Comma, Dot,
    Plus, Minus, Star, Slash, Backslash, Caret, Ampersand,
    Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual,
};

// Reserved words; contextual ones (Step, Preserve, Error, Explicit, Get, Let, Property,
// Default, Resume, GoTo) stay identifiers and the parser recognises them by name.
enum class Kw {
    None, And, ByRef, ByVal, Call, Case, Class, Const, Dim, Do, Each, Else, ElseIf, Empty,
    End, Eqv, Erase, Exit, False, For, Function, If, Imp, In, Is, Loop, Mod, New, Next, Not,
    Nothing, Null, On, Option, Or, Private, Public, ReDim, Select, Set, Sub, Then, To, True,
    Until, Wend, While, With, Xor, Me,
};

struct Token {
    Tok kind = Tok::End;
    Kw keyword = Kw::None;
    std::string text;  // identifiers in lower case; strings without their quotes
    std::string raw;   // identifiers as written
    Value number;
    int line = 0;      // from 0
    int column = 0;    // from 0
    bool spaceBefore = false;
};

// Throws a compilation ScriptError (1032, 1033) for text it cannot read.
std::vector<Token> Tokenize(std::string_view text, int firstLine);

}  // namespace vbscript
