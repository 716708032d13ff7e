// vbscript/Ast.h: the tree the parser builds and the interpreter walks.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vbscript/NodePool.h"
#include "vbscript/Value.h"

namespace vbscript {

enum class BinOp {
    Imp,
    Eqv,
    Xor,
    Or,
    And,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Is,
    Concat,
    Add,
    Subtract,
    Mod,
    IntDivide,
    Multiply,
    Divide,
    Power,
};

enum class ExprKind {
    Literal,  // literal
    Name,     // name [ (args) ]
    Member,   // left . name [ (args) ]; a null left is the object of the enclosing With
    Call,     // left (args): indexing or default member of a computed value
    Unary,    // Not left / - left
    Binary,   // left op right
    New,      // New name
    Me,
    Paren,  // ( left ): a value, never a reference
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
    ExprKind kind = ExprKind::Literal;
    int line = 0;
    int column = 0;
    Value literal;
    std::string name;  // lower case
    BinOp op = BinOp::Add;
    bool negate = false;   // Unary: true for '-', false for Not
    bool hasArgs = false;  // name() or name(args) as opposed to a bare name
    ExprPtr left;
    ExprPtr right;
    std::vector<ExprPtr> args;  // a null entry is an omitted argument

    static void* operator new(size_t) { return NodePool<sizeof(Expr)>::Take(); }
    static void operator delete(void* memory) { NodePool<sizeof(Expr)>::Give(memory); }
};

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

enum class StmtKind {
    Dim,
    ReDim,
    Const,
    Assign,
    Set,
    Call,
    If,
    Select,
    For,
    ForEach,
    DoLoop,
    While,
    Exit,
    OnErrorResume,
    OnErrorGoto0,
    Erase,
    Randomize,
    With,
};

enum class ExitKind { Do, For, Function, Sub, Property };

struct Declaration {
    std::string name;
    int line = 0;
    int column = 0;
    bool isArray = false;
    std::vector<ExprPtr> bounds;  // Dim sizes (literal), ReDim sizes (expressions)
    ExprPtr value;                // Const value
};

struct CaseClause {
    struct Test {
        BinOp op = BinOp::Equal;  // Equal, the Is comparisons, or Is for a "To" range
        ExprPtr low;
        ExprPtr high;  // with a range
        bool range = false;
    };
    std::vector<Test> tests;  // empty for Case Else
    Block body;
};

struct Stmt {
    StmtKind kind = StmtKind::Call;
    int line = 0;
    int column = 0;
    ExprPtr target;  // Assign/Set target, Call expression, For/ForEach variable
    ExprPtr value;   // Assign/Set value, condition, For start, Select subject, ForEach group,
                     // With object
    ExprPtr limit;   // For end
    ExprPtr step;    // For step
    std::vector<Declaration> declarations;
    std::vector<ExprPtr> conditions;  // If: one per branch with a condition
    std::vector<Block> blocks;        // If: one per branch (Else last); loops: blocks[0]
    std::vector<CaseClause> cases;
    ExitKind exitKind = ExitKind::Do;
    bool preserve = false;   // ReDim Preserve
    bool testAtEnd = false;  // Do ... Loop While/Until
    bool until = false;      // Until rather than While
    bool isPublic = true;    // Dim/Const at class level

    static void* operator new(size_t) { return NodePool<sizeof(Stmt)>::Take(); }
    static void operator delete(void* memory) { NodePool<sizeof(Stmt)>::Give(memory); }
};

enum class ProcKind { Function, Sub, PropertyGet, PropertyLet, PropertySet };

struct Parameter {
    std::string name;
    bool byRef = true;
    bool isArray = false;
};

struct Procedure {
    std::string name;
    ProcKind kind = ProcKind::Sub;
    std::vector<Parameter> params;
    Block body;
    bool isPublic = true;
    bool isDefault = false;
    int line = 0;
};
using ProcedurePtr = std::shared_ptr<Procedure>;

struct ClassDecl {
    std::string name;
    std::string displayName;
    std::vector<StmtPtr> fields;                            // Dim statements with isPublic set
    std::unordered_map<std::string, ProcedurePtr> methods;  // Function/Sub
    std::unordered_map<std::string, ProcedurePtr> getters;  // Property Get
    std::unordered_map<std::string, ProcedurePtr> letters;  // Property Let
    std::unordered_map<std::string, ProcedurePtr> setters;  // Property Set
    std::string defaultMember;
};
using ClassPtr = std::shared_ptr<ClassDecl>;

// One parsed text: its procedures and classes join the program at once; its top-level
// statements run when the engine runs it.
struct Unit {
    Block statements;
    std::vector<ProcedurePtr> procedures;
    std::vector<ClassPtr> classes;
    bool optionExplicit = false;
    std::string source;  // the text, for the line an error report quotes
    int lineCount = 0;
    int firstLine = 0;
};

}  // namespace vbscript
