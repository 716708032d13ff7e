// vbscript/Parser.cpp: recursive-descent parser from tokens to the tree of Ast.h. Each
// statement leaves its end-of-statement token for the block loop to consume.
#include "vbscript/Parser.h"

#include <unordered_set>
#include <utility>

#include "vbscript/DateMath.h"
#include "vbscript/Errors.h"
#include "vbscript/Lexer.h"

namespace vbscript {
namespace {

// Binding strength of binary operators; Not binds at 6, unary minus at 13.
constexpr int kNotPrecedence = 6;
constexpr int kNegatePrecedence = 13;

class Parser {
public:
    Parser(std::vector<Token> tokens, Unit* unit) : tokens_(std::move(tokens)), unit_(unit) {}

    // program -> {separator} {(procedure | classDecl | statement) separator} End
    void ParseProgram() {
        for (;;) {
            SkipSeparators();
            if (Is(Tok::End)) return;
            ParseTopLevel();
            EndStatement();
        }
    }

private:
    // ---- token helpers ----
    const Token& Cur() const { return tokens_[pos_]; }
    const Token& Ahead(size_t n) const {
        return tokens_[pos_ + n < tokens_.size() ? pos_ + n : tokens_.size() - 1];
    }
    bool Is(Tok kind) const { return Cur().kind == kind; }
    bool IsKw(Kw keyword) const { return Cur().kind == Tok::Keyword && Cur().keyword == keyword; }
    bool IsWord(std::string_view word) const { return NameIs(Cur(), word); }
    const Token& Take() {
        const Token& token = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) ++pos_;
        return token;
    }
    void Expect(Tok kind, int error) {
        if (!Is(kind)) Fail(error);
        Take();
    }
    void ExpectKw(Kw keyword, int error) {
        if (!IsKw(keyword)) Fail(error);
        Take();
    }
    void ExpectWord(std::string_view word, int error) {
        if (!IsWord(word)) Fail(error);
        Take();
    }
    [[noreturn]] void Fail(int error) const { ThrowCompile(error, Cur().line, Cur().column); }

    bool AtStatementEnd() const { return Is(Tok::Newline) || Is(Tok::Colon) || Is(Tok::End); }
    void EndStatement() {
        if (!AtStatementEnd()) Fail(kErrExpectedEndOfStatement);
    }
    void SkipSeparators() {
        while (Is(Tok::Newline) || Is(Tok::Colon)) Take();
    }
    std::string TakeName() {
        if (!Is(Tok::Identifier)) Fail(kErrExpectedIdentifier);
        return NameOf(Take());
    }
    // A name that a declaration adds to the current scope, where it must be new.
    std::string TakeDefinedName() {
        const Token& at = Cur();
        std::string name = TakeName();
        if (!scope_->insert(name).second) ThrowCompile(kErrNameRedefined, at.line, at.column);
        return name;
    }

    // Keeps a count of open constructs so that no text can exhaust the stack.
    struct DepthGuard {
        explicit DepthGuard(Parser* parser) : parser(parser) {
            if (++parser->depth_ > kMaxNesting) {
                ThrowCompile(kErrStackSpace, parser->Cur().line, parser->Cur().column);
            }
        }
        ~DepthGuard() { --parser->depth_; }
        Parser* parser;
    };

    StmtPtr NewStmt(StmtKind kind, const Token& at) {
        auto stmt = std::make_unique<Stmt>();
        stmt->kind = kind;
        stmt->line = at.line;
        stmt->column = at.column;
        return stmt;
    }
    ExprPtr NewExpr(ExprKind kind, const Token& at) {
        auto expr = std::make_unique<Expr>();
        expr->kind = kind;
        expr->line = at.line;
        expr->column = at.column;
        return expr;
    }

    // ---- top level ----

    // topLevel -> [Public|Private] (procedure | Const ... | declarators) | classDecl | statement
    void ParseTopLevel() {
        bool isPublic = true;
        bool hasScope = IsKw(Kw::Public) || IsKw(Kw::Private);
        if (hasScope) isPublic = Take().keyword == Kw::Public;
        bool isDefault = false;
        if (hasScope && IsWord("default")) {
            Take();
            isDefault = true;
        }
        if (IsKw(Kw::Function) || IsKw(Kw::Sub) || IsWord("property")) {
            unit_->procedures.push_back(ParseProcedure(isPublic, isDefault));
        } else if (IsKw(Kw::Class) && !hasScope) {
            unit_->classes.push_back(ParseClass());
        } else if (hasScope && IsKw(Kw::Const)) {
            unit_->statements.push_back(ParseConst());
        } else if (hasScope) {
            unit_->statements.push_back(ParseDeclarators(Cur(), isPublic));
        } else if (IsKw(Kw::Option)) {
            ParseOption();
        } else {
            unit_->statements.push_back(ParseStatement());
        }
    }

    // optionStatement -> Option Explicit
    void ParseOption() {
        Take();
        ExpectWord("explicit", kErrSyntax);
        unit_->optionExplicit = true;
    }

    // procedure -> (Function|Sub|Property (Get|Let|Set)) name [params] block End kind
    ProcedurePtr ParseProcedure(bool isPublic, bool isDefault) {
        auto proc = std::make_shared<Procedure>();
        proc->isPublic = isPublic;
        proc->isDefault = isDefault;
        proc->line = Cur().line;
        int endError = kErrExpectedFunction;
        if (IsKw(Kw::Function)) {
            proc->kind = ProcKind::Function;
        } else if (IsKw(Kw::Sub)) {
            proc->kind = ProcKind::Sub;
            endError = kErrExpectedSub;
        } else {
            Take();  // Property
            endError = kErrExpectedProperty;
            if (IsWord("get"))
                proc->kind = ProcKind::PropertyGet;
            else if (IsWord("let"))
                proc->kind = ProcKind::PropertyLet;
            else if (IsKw(Kw::Set))
                proc->kind = ProcKind::PropertySet;
            else
                Fail(kErrSyntax);
        }
        Take();
        bool isProperty = endError == kErrExpectedProperty;
        proc->name = isProperty ? TakeName() : TakeDefinedName();
        // Parameters and locals form a scope of their own.
        NameSet locals;
        NameSet* outer = scope_;
        scope_ = &locals;
        if (Is(Tok::LParen)) ParseParams(proc.get());
        EndStatement();
        proc->body = ParseBlock();
        scope_ = outer;
        ExpectKw(Kw::End, kErrExpectedEnd);
        bool closes = proc->kind == ProcKind::Function ? IsKw(Kw::Function)
                      : proc->kind == ProcKind::Sub    ? IsKw(Kw::Sub)
                                                       : IsWord("property");
        if (!closes) Fail(endError);
        Take();
        return proc;
    }

    // params -> '(' [param {',' param}] ')'; param -> [ByVal|ByRef] name ['(' ')']
    void ParseParams(Procedure* proc) {
        Take();
        while (!Is(Tok::RParen)) {
            Parameter param;
            if (IsKw(Kw::ByVal) || IsKw(Kw::ByRef)) param.byRef = Take().keyword == Kw::ByRef;
            param.name = TakeDefinedName();
            if (Is(Tok::LParen)) {
                Take();
                Expect(Tok::RParen, kErrExpectedRParen);
                param.isArray = true;
            }
            proc->params.push_back(std::move(param));
            if (!Is(Tok::Comma)) break;
            Take();
        }
        Expect(Tok::RParen, kErrExpectedRParen);
    }

    // classDecl -> Class name separator {member separator} End Class
    // member -> [Public [Default] | Private] (procedure | declarators) | Dim declarators
    ClassPtr ParseClass() {
        Take();
        auto decl = std::make_shared<ClassDecl>();
        decl->displayName = std::string(Cur().text);
        decl->name = TakeDefinedName();
        EndStatement();
        NameSet members;
        NameSet* outer = scope_;
        scope_ = &members;
        for (;;) {
            SkipSeparators();
            if (IsKw(Kw::End)) break;
            bool isPublic = true;
            bool hasScope = IsKw(Kw::Public) || IsKw(Kw::Private);
            if (hasScope) isPublic = Take().keyword == Kw::Public;
            bool isDefault = false;
            if (hasScope && IsWord("default")) {
                Take();
                isDefault = true;
            }
            if (IsKw(Kw::Function) || IsKw(Kw::Sub) || IsWord("property")) {
                AddMember(decl.get(), ParseProcedure(isPublic, isDefault));
            } else if (IsKw(Kw::Dim) || hasScope) {
                decl->fields.push_back(ParseDeclarators(Cur(), isPublic));
            } else {
                Fail(kErrExpectedEnd);
            }
            EndStatement();
        }
        scope_ = outer;
        Take();
        ExpectKw(Kw::Class, kErrExpectedClass);
        return decl;
    }

    void AddMember(ClassDecl* decl, ProcedurePtr proc) {
        if (proc->isDefault) decl->defaultMember = proc->name;
        switch (proc->kind) {
            case ProcKind::PropertyGet:
                decl->getters[proc->name] = proc;
                break;
            case ProcKind::PropertyLet:
                decl->letters[proc->name] = proc;
                break;
            case ProcKind::PropertySet:
                decl->setters[proc->name] = proc;
                break;
            default:
                decl->methods[proc->name] = proc;
                break;
        }
    }

    // ---- statements ----

    // block -> {separator | statement}, up to a keyword that closes it
    Block ParseBlock() {
        DepthGuard guard(this);
        Block block;
        for (;;) {
            SkipSeparators();
            if (AtBlockEnd()) return block;
            block.push_back(ParseStatement());
            EndStatement();
        }
    }

    bool AtBlockEnd() const {
        if (Is(Tok::End)) return true;
        if (!Is(Tok::Keyword)) return false;
        switch (Cur().keyword) {
            case Kw::End:
            case Kw::Else:
            case Kw::ElseIf:
            case Kw::Next:
            case Kw::Loop:
            case Kw::Wend:
            case Kw::Case:
                return true;
            default:
                return false;
        }
    }

    // statement -> dim | redim | const | if | select | for | do | while | exit | onError
    //            | call | set | erase | simpleStatement
    StmtPtr ParseStatement() {
        const Token& at = Cur();
        if (Is(Tok::Keyword)) {
            switch (at.keyword) {
                case Kw::Dim:
                    return ParseDeclarators(at, true);
                case Kw::ReDim:
                    return ParseReDim();
                case Kw::Const:
                    return ParseConst();
                case Kw::If:
                    return ParseIf();
                case Kw::Select:
                    return ParseSelect();
                case Kw::For:
                    return ParseFor();
                case Kw::Do:
                    return ParseDo();
                case Kw::While:
                    return ParseWhile();
                case Kw::Exit:
                    return ParseExit();
                case Kw::On:
                    return ParseOnError();
                case Kw::Call:
                    return ParseCall();
                case Kw::Set:
                    return ParseSet();
                case Kw::Erase:
                    return ParseErase();
                case Kw::With:
                    return ParseWith();
                case Kw::Me:
                    return ParseSimpleStatement();
                case Kw::Function:
                case Kw::Sub:
                case Kw::Class:
                    Fail(kErrSyntax);
                default:
                    Fail(kErrExpectedStatement);
            }
        }
        if (IsWord("randomize")) return ParseRandomize();
        if (Is(Tok::Identifier) || (Is(Tok::Dot) && withDepth_ > 0)) return ParseSimpleStatement();
        Fail(kErrExpectedStatement);
    }

    // withStatement -> With expr block End With
    StmtPtr ParseWith() {
        auto stmt = NewStmt(StmtKind::With, Take());
        stmt->value = ParseExpr(0);
        EndStatement();
        ++withDepth_;
        stmt->blocks.push_back(ParseBlock());
        --withDepth_;
        ExpectKw(Kw::End, kErrExpectedEnd);
        ExpectKw(Kw::With, kErrExpectedWith);
        return stmt;
    }

    // dimStatement -> (Dim|Public|Private) declarator {',' declarator}
    // declarator -> name ['(' [integer {',' integer}] ')']
    StmtPtr ParseDeclarators(const Token& at, bool isPublic) {
        auto stmt = NewStmt(StmtKind::Dim, at);
        stmt->isPublic = isPublic;
        if (IsKw(Kw::Dim)) Take();
        for (;;) {
            Declaration decl;
            decl.line = Cur().line;
            decl.column = Cur().column;
            decl.name = TakeDefinedName();
            if (Is(Tok::LParen)) {
                Take();
                decl.isArray = true;
                while (!Is(Tok::RParen)) {
                    if (!Is(Tok::Number)) Fail(kErrExpectedInteger);
                    auto bound = NewExpr(ExprKind::Literal, Cur());
                    bound->literal = NumberOf(Take());
                    decl.bounds.push_back(std::move(bound));
                    if (!Is(Tok::Comma)) break;
                    Take();
                }
                Expect(Tok::RParen, kErrExpectedRParen);
            }
            stmt->declarations.push_back(std::move(decl));
            if (!Is(Tok::Comma)) return stmt;
            Take();
        }
    }

    // redimStatement -> ReDim [Preserve] name '(' expr {',' expr} ')' {',' ...}
    StmtPtr ParseReDim() {
        auto stmt = NewStmt(StmtKind::ReDim, Take());
        if (IsWord("preserve")) {
            Take();
            stmt->preserve = true;
        }
        for (;;) {
            Declaration decl;
            decl.line = Cur().line;
            decl.column = Cur().column;
            decl.name = TakeName();
            Expect(Tok::LParen, kErrExpectedLParen);
            for (;;) {
                decl.bounds.push_back(ParseExpr(0));
                if (!Is(Tok::Comma)) break;
                Take();
            }
            Expect(Tok::RParen, kErrExpectedRParen);
            stmt->declarations.push_back(std::move(decl));
            if (!Is(Tok::Comma)) return stmt;
            Take();
        }
    }

    // constStatement -> Const name '=' expr {',' name '=' expr}
    StmtPtr ParseConst() {
        auto stmt = NewStmt(StmtKind::Const, Take());
        for (;;) {
            Declaration decl;
            decl.line = Cur().line;
            decl.column = Cur().column;
            decl.name = TakeDefinedName();
            Expect(Tok::Equal, kErrExpectedEquals);
            decl.value = ParseExpr(0);
            stmt->declarations.push_back(std::move(decl));
            if (!Is(Tok::Comma)) return stmt;
            Take();
        }
    }

    // ifStatement -> If expr Then newline block {ElseIf expr Then block} [Else block] End If
    //              | If expr Then inlineStatements [Else inlineStatements]
    StmtPtr ParseIf() {
        auto stmt = NewStmt(StmtKind::If, Take());
        stmt->conditions.push_back(ParseExpr(0));
        ExpectKw(Kw::Then, kErrExpectedThen);
        // A text ending right after Then is an unfinished block If, not an empty inline one.
        if (!Is(Tok::Newline) && !Is(Tok::End)) return ParseInlineIf(std::move(stmt));
        stmt->blocks.push_back(ParseBlock());
        while (IsKw(Kw::ElseIf)) {
            Take();
            stmt->conditions.push_back(ParseExpr(0));
            ExpectKw(Kw::Then, kErrExpectedThen);
            stmt->blocks.push_back(ParseBlock());
        }
        if (IsKw(Kw::Else)) {
            Take();
            stmt->blocks.push_back(ParseBlock());
        }
        ExpectKw(Kw::End, kErrExpectedEnd);
        ExpectKw(Kw::If, kErrExpectedIf);
        return stmt;
    }

    // inlineStatements -> statement {':' statement}
    StmtPtr ParseInlineIf(StmtPtr stmt) {
        DepthGuard guard(this);
        stmt->blocks.push_back(ParseInlineStatements());
        if (IsKw(Kw::Else)) {
            Take();
            stmt->blocks.push_back(ParseInlineStatements());
        }
        if (IsKw(Kw::End) && Ahead(1).kind == Tok::Keyword && Ahead(1).keyword == Kw::If) {
            Take();
            Take();
        }
        return stmt;
    }

    Block ParseInlineStatements() {
        Block block;
        for (;;) {
            while (Is(Tok::Colon)) Take();
            if (Is(Tok::Newline) || Is(Tok::End) || IsKw(Kw::Else) || IsKw(Kw::End)) break;
            block.push_back(ParseStatement());
            if (!Is(Tok::Colon)) break;
        }
        return block;
    }

    // selectStatement -> Select Case expr {Case caseTest {',' caseTest} block}
    //                    [Case Else block] End Select
    // caseTest -> Is compareOp expr | expr [To expr]
    StmtPtr ParseSelect() {
        auto stmt = NewStmt(StmtKind::Select, Take());
        ExpectKw(Kw::Case, kErrExpectedCase);
        stmt->value = ParseExpr(0);
        EndStatement();
        SkipSeparators();
        while (IsKw(Kw::Case)) {
            Take();
            CaseClause clause;
            if (IsKw(Kw::Else)) {
                Take();
            } else {
                for (;;) {
                    clause.tests.push_back(ParseCaseTest());
                    if (!Is(Tok::Comma)) break;
                    Take();
                }
            }
            clause.body = ParseBlock();
            stmt->cases.push_back(std::move(clause));
        }
        ExpectKw(Kw::End, kErrExpectedEnd);
        ExpectKw(Kw::Select, kErrExpectedSelect);
        return stmt;
    }

    CaseClause::Test ParseCaseTest() {
        CaseClause::Test test;
        if (IsKw(Kw::Is)) {
            Take();
            BinOp op;
            if (BinaryPrecedence(Cur(), &op) != 7 || op == BinOp::Is) Fail(kErrSyntax);
            Take();
            test.op = op;
            test.low = ParseExpr(0);
            return test;
        }
        test.low = ParseExpr(0);
        if (IsKw(Kw::To)) {
            Take();
            test.range = true;
            test.high = ParseExpr(0);
        }
        return test;
    }

    // forStatement -> For name '=' expr To expr [Step expr] block Next [name]
    //               | For Each name In expr block Next [name]
    StmtPtr ParseFor() {
        const Token& at = Take();
        if (IsKw(Kw::Each)) {
            Take();
            auto stmt = NewStmt(StmtKind::ForEach, at);
            stmt->target = ParseNameTarget();
            ExpectKw(Kw::In, kErrExpectedIn);
            stmt->value = ParseExpr(0);
            return FinishLoop(std::move(stmt), Kw::Next, kErrExpectedNext);
        }
        auto stmt = NewStmt(StmtKind::For, at);
        stmt->target = ParseNameTarget();
        Expect(Tok::Equal, kErrExpectedEquals);
        stmt->value = ParseExpr(0);
        ExpectKw(Kw::To, kErrExpectedTo);
        stmt->limit = ParseExpr(0);
        if (IsWord("step")) {
            Take();
            stmt->step = ParseExpr(0);
        }
        return FinishLoop(std::move(stmt), Kw::Next, kErrExpectedNext);
    }

    ExprPtr ParseNameTarget() {
        auto expr = NewExpr(ExprKind::Name, Cur());
        expr->name = TakeName();
        return expr;
    }

    StmtPtr FinishLoop(StmtPtr stmt, Kw closer, int error) {
        EndStatement();
        stmt->blocks.push_back(ParseBlock());
        ExpectKw(closer, error);
        if (closer == Kw::Next && Is(Tok::Identifier)) Take();
        return stmt;
    }

    // doStatement -> Do [(While|Until) expr] block Loop [(While|Until) expr]
    StmtPtr ParseDo() {
        auto stmt = NewStmt(StmtKind::DoLoop, Take());
        if (IsKw(Kw::While) || IsKw(Kw::Until)) {
            stmt->until = Take().keyword == Kw::Until;
            stmt->value = ParseExpr(0);
        }
        if (!AtStatementEnd()) Fail(kErrExpectedWhileUntil);
        stmt->blocks.push_back(ParseBlock());
        ExpectKw(Kw::Loop, kErrExpectedLoop);
        if (IsKw(Kw::While) || IsKw(Kw::Until)) {
            if (stmt->value) Fail(kErrExpectedEndOfStatement);
            stmt->until = Take().keyword == Kw::Until;
            stmt->testAtEnd = true;
            stmt->value = ParseExpr(0);
        }
        return stmt;
    }

    // whileStatement -> While expr block Wend
    StmtPtr ParseWhile() {
        auto stmt = NewStmt(StmtKind::While, Take());
        stmt->value = ParseExpr(0);
        return FinishLoop(std::move(stmt), Kw::Wend, kErrExpectedWend);
    }

    // exitStatement -> Exit (Do|For|Function|Sub|Property)
    StmtPtr ParseExit() {
        auto stmt = NewStmt(StmtKind::Exit, Take());
        if (IsKw(Kw::Do))
            stmt->exitKind = ExitKind::Do;
        else if (IsKw(Kw::For))
            stmt->exitKind = ExitKind::For;
        else if (IsKw(Kw::Function))
            stmt->exitKind = ExitKind::Function;
        else if (IsKw(Kw::Sub))
            stmt->exitKind = ExitKind::Sub;
        else if (IsWord("property"))
            stmt->exitKind = ExitKind::Property;
        else
            Fail(kErrInvalidExit);
        Take();
        return stmt;
    }

    // onErrorStatement -> On Error (Resume Next | GoTo 0)
    StmtPtr ParseOnError() {
        const Token& at = Take();
        ExpectWord("error", kErrSyntax);
        if (IsWord("resume")) {
            Take();
            ExpectKw(Kw::Next, kErrSyntax);
            return NewStmt(StmtKind::OnErrorResume, at);
        }
        ExpectWord("goto", kErrSyntax);
        if (!Is(Tok::Number) || NumberOf(Cur()).i != 0) Fail(kErrSyntax);
        Take();
        return NewStmt(StmtKind::OnErrorGoto0, at);
    }

    // callStatement -> Call target
    StmtPtr ParseCall() {
        auto stmt = NewStmt(StmtKind::Call, Take());
        if (!Is(Tok::Identifier) && !IsKw(Kw::Me)) Fail(kErrExpectedIdentifier);
        stmt->target = ParsePostfix(ParsePrimary(), false);
        return stmt;
    }

    // setStatement -> Set target '=' expr
    StmtPtr ParseSet() {
        auto stmt = NewStmt(StmtKind::Set, Take());
        stmt->target = ParsePostfix(ParsePrimary(), false);
        Expect(Tok::Equal, kErrExpectedEquals);
        stmt->value = ParseExpr(0);
        return stmt;
    }

    // eraseStatement -> Erase name
    StmtPtr ParseErase() {
        auto stmt = NewStmt(StmtKind::Erase, Take());
        stmt->target = ParseNameTarget();
        return stmt;
    }

    // randomizeStatement -> Randomize [expr]
    StmtPtr ParseRandomize() {
        auto stmt = NewStmt(StmtKind::Randomize, Take());
        if (!AtStatementEnd() && !IsKw(Kw::Else)) stmt->value = ParseExpr(0);
        return stmt;
    }

    // simpleStatement -> target '=' expr | target [arg {',' arg}]
    // A '(' after a space starts the first argument, as in "Show (a), b".
    StmtPtr ParseSimpleStatement() {
        const Token& at = Cur();
        ExprPtr target = ParsePostfix(ParsePrimary(), true);
        if (Is(Tok::Equal)) {
            if (target->kind == ExprKind::Me) Fail(kErrSyntax);
            Take();
            auto stmt = NewStmt(StmtKind::Assign, at);
            stmt->target = std::move(target);
            stmt->value = ParseExpr(0);
            return stmt;
        }
        auto stmt = NewStmt(StmtKind::Call, at);
        if (!AtStatementEnd() && !IsKw(Kw::Else)) {
            if (target->hasArgs || target->kind == ExprKind::Call) Fail(kErrExpectedEndOfStatement);
            target->hasArgs = true;
            ParseArgList(&target->args, false);
        }
        stmt->target = std::move(target);
        return stmt;
    }

    // argList -> [expr] {',' [expr]}
    void ParseArgList(std::vector<ExprPtr>* args, bool inParens) {
        for (;;) {
            bool omitted = Is(Tok::Comma) || (inParens && Is(Tok::RParen));
            args->push_back(omitted ? nullptr : ParseExpr(0));
            if (!Is(Tok::Comma)) break;
            Take();
        }
        if (inParens && args->size() == 1 && !args->front()) args->clear();
    }

    // ---- expressions ----

    static int BinaryPrecedence(const Token& token, BinOp* op) {
        switch (token.kind) {
            case Tok::Equal:
                *op = BinOp::Equal;
                return 7;
            case Tok::NotEqual:
                *op = BinOp::NotEqual;
                return 7;
            case Tok::Less:
                *op = BinOp::Less;
                return 7;
            case Tok::Greater:
                *op = BinOp::Greater;
                return 7;
            case Tok::LessEqual:
                *op = BinOp::LessEqual;
                return 7;
            case Tok::GreaterEqual:
                *op = BinOp::GreaterEqual;
                return 7;
            case Tok::Ampersand:
                *op = BinOp::Concat;
                return 8;
            case Tok::Plus:
                *op = BinOp::Add;
                return 9;
            case Tok::Minus:
                *op = BinOp::Subtract;
                return 9;
            case Tok::Backslash:
                *op = BinOp::IntDivide;
                return 11;
            case Tok::Star:
                *op = BinOp::Multiply;
                return 12;
            case Tok::Slash:
                *op = BinOp::Divide;
                return 12;
            case Tok::Caret:
                *op = BinOp::Power;
                return 14;
            case Tok::Keyword:
                switch (token.keyword) {
                    case Kw::Imp:
                        *op = BinOp::Imp;
                        return 1;
                    case Kw::Eqv:
                        *op = BinOp::Eqv;
                        return 2;
                    case Kw::Xor:
                        *op = BinOp::Xor;
                        return 3;
                    case Kw::Or:
                        *op = BinOp::Or;
                        return 4;
                    case Kw::And:
                        *op = BinOp::And;
                        return 5;
                    case Kw::Is:
                        *op = BinOp::Is;
                        return 7;
                    case Kw::Mod:
                        *op = BinOp::Mod;
                        return 10;
                    default:
                        return -1;
                }
            default:
                return -1;
        }
    }

    // expr -> unary {binaryOp unary}, by precedence from loosest to tightest:
    //   Imp < Eqv < Xor < Or < And < Not < comparisons and Is < & < + - < Mod < \ < * /
    //   < unary - < ^
    ExprPtr ParseExpr(int minPrecedence) {
        DepthGuard guard(this);
        ExprPtr left = ParseUnary();
        for (;;) {
            BinOp op;
            int precedence = BinaryPrecedence(Cur(), &op);
            if (precedence < 0 || precedence < minPrecedence) return left;
            auto binary = NewExpr(ExprKind::Binary, Take());
            binary->op = op;
            binary->left = std::move(left);
            binary->right = ParseExpr(precedence + 1);
            left = std::move(binary);
        }
    }

    // unary -> Not expr(6) | '-' expr(13) | '+' expr(13) | postfix
    ExprPtr ParseUnary() {
        if (IsKw(Kw::Not) || Is(Tok::Minus)) {
            auto unary = NewExpr(ExprKind::Unary, Cur());
            unary->negate = Take().kind == Tok::Minus;
            unary->left = ParseExpr(unary->negate ? kNegatePrecedence : kNotPrecedence);
            return unary;
        }
        if (Is(Tok::Plus)) {
            Take();
            return ParseExpr(kNegatePrecedence);
        }
        return ParsePostfix(ParsePrimary(), false);
    }

    // primary -> number | string | date | True | False | Empty | Null | Nothing | Me
    //          | '(' expr ')' | New name | name | '.' name (inside With)
    ExprPtr ParsePrimary() {
        const Token& at = Cur();
        switch (at.kind) {
            case Tok::Number: {
                auto expr = NewExpr(ExprKind::Literal, Take());
                expr->literal = NumberOf(at);
                return expr;
            }
            case Tok::String: {
                auto expr = NewExpr(ExprKind::Literal, Take());
                expr->literal = Value::String(StringOf(at));
                return expr;
            }
            case Tok::DateLiteral: {
                // Read once here: a literal in a loop is a constant, and a script's own CDate
                // does not take it over.
                std::optional<double> serial = ParseDateText(std::string(at.text));
                if (!serial) Fail(kErrSyntax);
                auto expr = NewExpr(ExprKind::Literal, Take());
                expr->literal = Value::Date(*serial);
                return expr;
            }
            case Tok::LParen: {
                auto expr = NewExpr(ExprKind::Paren, Take());
                expr->left = ParseExpr(0);
                Expect(Tok::RParen, kErrExpectedRParen);
                return expr;
            }
            case Tok::Identifier: {
                auto expr = NewExpr(ExprKind::Name, Take());
                expr->name = NameOf(at);
                return expr;
            }
            case Tok::Keyword:
                return ParseKeywordPrimary();
            case Tok::Dot:
                if (withDepth_ == 0) Fail(kErrExpectedExpression);
                return ParseMemberName(nullptr);
            default:
                Fail(kErrExpectedExpression);
        }
    }

    ExprPtr ParseKeywordPrimary() {
        const Token& at = Cur();
        auto expr = NewExpr(ExprKind::Literal, at);
        switch (at.keyword) {
            case Kw::True:
                expr->literal = Value::Bool(true);
                break;
            case Kw::False:
                expr->literal = Value::Bool(false);
                break;
            case Kw::Empty:
                break;
            case Kw::Null:
                expr->literal = Value::Null();
                break;
            case Kw::Nothing:
                expr->literal = Value::Nothing();
                break;
            case Kw::Me:
                expr->kind = ExprKind::Me;
                break;
            case Kw::New:
                Take();
                expr->kind = ExprKind::New;
                expr->name = TakeName();
                return expr;
            default:
                Fail(kErrExpectedExpression);
        }
        Take();
        return expr;
    }

    // postfix -> primary {'.' name | '(' argList ')'}
    ExprPtr ParsePostfix(ExprPtr expr, bool statementStart) {
        for (;;) {
            // Inside With, " .name" after a space starts an argument of its own.
            if (Is(Tok::Dot) && !(withDepth_ > 0 && Cur().spaceBefore)) {
                expr = ParseMemberName(std::move(expr));
            } else if (Is(Tok::LParen) && !(statementStart && Cur().spaceBefore)) {
                Take();
                bool named = expr->kind == ExprKind::Name || expr->kind == ExprKind::Member;
                if (!named || expr->hasArgs) {
                    auto call = NewExpr(ExprKind::Call, Cur());
                    call->left = std::move(expr);
                    expr = std::move(call);
                }
                expr->hasArgs = true;
                if (!Is(Tok::RParen)) ParseArgList(&expr->args, true);
                Expect(Tok::RParen, kErrExpectedRParen);
            } else {
                return expr;
            }
        }
    }

    // member -> '.' name, of `object` or (null) of the enclosing With's object
    ExprPtr ParseMemberName(ExprPtr object) {
        Take();
        if (!Is(Tok::Identifier) && !Is(Tok::Keyword)) Fail(kErrExpectedIdentifier);
        auto member = NewExpr(ExprKind::Member, Cur());
        member->name = NameOf(Take());
        member->left = std::move(object);
        return member;
    }

    using NameSet = std::unordered_set<std::string>;

    std::vector<Token> tokens_;
    NameSet globalNames_;
    NameSet* scope_ = &globalNames_;
    size_t pos_ = 0;
    int depth_ = 0;
    int withDepth_ = 0;
    Unit* unit_;
};

}  // namespace

std::unique_ptr<Unit> ParseProgram(std::string_view text, int firstLine) {
    auto unit = std::make_unique<Unit>();
    unit->firstLine = firstLine;
    unit->source = std::string(text);
    std::vector<Token> tokens = Tokenize(text, firstLine);
    unit->lineCount = tokens.back().line - firstLine + 1;
    Parser(std::move(tokens), unit.get()).ParseProgram();
    return unit;
}

}  // namespace vbscript
