// The expression compiler: recursive descent over the ten levels described
// in expr_compiler.h.  Each level function returns a tree or nothing; the
// first failure records its reason and every caller passes the failure up,
// so partial trees are freed by their owners on the way.
#include "runtime/lang/expr_compiler.h"

#include <algorithm>
#include <utility>

#include "runtime/lang/errors.h"
#include "runtime/lang/expr_lexer.h"

namespace dw::lang {
namespace {

bool isNumeric(ResultType t) {
  return t == ResultType::kTruth || t == ResultType::kInteger;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : m_lexer(text) {}

  ExprTree run() {
    if (!advance()) return nullptr;
    ExprTree tree = parseExpression();
    if (!tree) return nullptr;
    if (m_tok.kind != TokenKind::kEnd) return fail("unexpected text after the expression");
    return tree;
  }
  const std::string& reason() const { return m_reason; }
  std::size_t failOffset() const { return m_failOffset; }

 private:
  // Moves to the next token; looks names up as they come.
  bool advance() {
    if (m_hasPeek) {
      m_tok = std::move(m_peek);
      m_hasPeek = false;
    } else {
      m_tok = m_lexer.next();
    }
    m_symbol.reset();
    if (m_tok.kind == TokenKind::kError) {
      fail(m_tok.text + " at offset " + std::to_string(m_tok.offset));
      return false;
    }
    if (m_tok.kind == TokenKind::kName) {
      const Symbol* s = lookupSymbol(m_tok.text);
      if (!s || s->kind == SymbolKind::kRoot) {
        postError(err::kExprNoBind);
        fail("no BIND on variable " + m_tok.text);
        return false;
      }
      m_symbol = *s;
    }
    return true;
  }

  const Token& peek() {
    if (!m_hasPeek) {
      m_peek = m_lexer.next();
      m_hasPeek = true;
    }
    return m_peek;
  }

  std::nullptr_t fail(std::string why) {
    if (m_reason.empty()) {
      m_reason = std::move(why);
      m_failOffset = m_tok.offset;
    }
    return nullptr;
  }

  bool isChar(char c) const { return m_tok.kind == TokenKind::kChar && m_tok.ch == c; }
  bool isOperator(OpCode op) const {
    return m_symbol && m_symbol->kind == SymbolKind::kOperator && m_symbol->op == op;
  }

  ExprTree makeNode(NodeKind kind, ResultType type, OpCode op, std::vector<ExprTree> children) {
    auto node = std::make_unique<ExprNode>();
    node->kind = kind;
    node->type = type;
    node->op = op;
    int height = 0;
    for (const ExprTree& c : children) height = std::max(height, c->height);
    node->height = height + 1;
    node->children = std::move(children);
    if (node->height > kMaxTreeDepth) return fail("expression nested too deeply");
    return node;
  }

  ExprTree binary(OpCode op, ExprTree left, ExprTree right) {
    ResultType type = ResultType::kReal;
    if (op == OpCode::kConcat) type = ResultType::kString;
    if (op >= OpCode::kEqual && op <= OpCode::kXor) type = ResultType::kTruth;
    std::vector<ExprTree> children;
    children.push_back(std::move(left));
    children.push_back(std::move(right));
    return makeNode(NodeKind::kBinary, type, op, std::move(children));
  }

  ExprTree unary(OpCode op, ExprTree child) {
    ResultType type = ResultType::kTruth;
    if (op == OpCode::kNegate) {
      type = isNumeric(child->type) ? ResultType::kInteger : ResultType::kReal;
    }
    std::vector<ExprTree> children;
    children.push_back(std::move(child));
    return makeNode(NodeKind::kUnary, type, op, std::move(children));
  }

  // 1. and-terms separated by OR or XOR.
  ExprTree parseExpression() {
    ExprTree left = parseAnd();
    while (left && (isOperator(OpCode::kOr) || isOperator(OpCode::kXor))) {
      OpCode op = m_symbol->op;
      if (!advance()) return nullptr;
      ExprTree right = parseAnd();
      if (!right) return nullptr;
      left = binary(op, std::move(left), std::move(right));
    }
    return left;
  }

  // 2. not-terms separated by AND.
  ExprTree parseAnd() {
    ExprTree left = parseNot();
    while (left && isOperator(OpCode::kAnd)) {
      if (!advance()) return nullptr;
      ExprTree right = parseNot();
      if (!right) return nullptr;
      left = binary(OpCode::kAnd, std::move(left), std::move(right));
    }
    return left;
  }

  // 3. any number of "~" or NOT, then a comparison.
  ExprTree parseNot() {
    int count = 0;
    while (isChar('~') || isOperator(OpCode::kNot)) {
      ++count;
      if (!advance()) return nullptr;
    }
    ExprTree term = parseComparison();
    if (term && count % 2 == 1) term = unary(OpCode::kNot, std::move(term));
    return term;
  }

  // The comparison operator at the current token, consuming it; nullopt
  // when there is none, kAdd (never a comparison) after a failure.
  std::optional<OpCode> comparisonOperator() {
    auto isCmpChar = [](const Token& t) {
      return t.kind == TokenKind::kChar &&
             (t.ch == '=' || t.ch == '<' || t.ch == '>' || t.ch == '~');
    };
    if (!isCmpChar(m_tok)) return std::nullopt;
    char first = m_tok.ch;
    if (isCmpChar(peek())) {
      std::string pair{first, m_peek.ch};
      OpCode op;
      if (pair == "<>" || pair == "~=") {
        op = OpCode::kNotEqual;
      } else if (pair == "<=" || pair == "=<" || pair == "~>") {
        op = OpCode::kLessEqual;
      } else if (pair == ">=" || pair == "=>" || pair == "~<") {
        op = OpCode::kGreaterEqual;
      } else {
        fail("invalid comparison operator " + pair);
        return OpCode::kAdd;
      }
      if (!advance() || !advance()) return OpCode::kAdd;
      return op;
    }
    if (first == '~') return std::nullopt;
    if (!advance()) return OpCode::kAdd;
    return first == '=' ? OpCode::kEqual : first == '<' ? OpCode::kLess : OpCode::kGreater;
  }

  // 4. concatenations separated by comparison operators.
  ExprTree parseComparison() {
    ExprTree left = parseConcat();
    while (left) {
      std::optional<OpCode> op = comparisonOperator();
      if (!op) break;
      if (*op == OpCode::kAdd) return nullptr;
      ExprTree right = parseConcat();
      if (!right) return nullptr;
      left = binary(*op, std::move(left), std::move(right));
    }
    return left;
  }

  // 5. sums separated by "&".
  ExprTree parseConcat() {
    ExprTree left = parseSum();
    while (left && isChar('&')) {
      if (!advance()) return nullptr;
      ExprTree right = parseSum();
      if (!right) return nullptr;
      left = binary(OpCode::kConcat, std::move(left), std::move(right));
    }
    return left;
  }

  // 6. products separated by "+" or "-".
  ExprTree parseSum() {
    ExprTree left = parseProduct();
    while (left && (isChar('+') || isChar('-'))) {
      OpCode op = m_tok.ch == '+' ? OpCode::kAdd : OpCode::kSubtract;
      if (!advance()) return nullptr;
      ExprTree right = parseProduct();
      if (!right) return nullptr;
      left = binary(op, std::move(left), std::move(right));
    }
    return left;
  }

  // 7. powers separated by "*", "/" or "%".
  ExprTree parseProduct() {
    ExprTree left = parsePower();
    while (left && (isChar('*') || isChar('/') || isChar('%'))) {
      OpCode op = m_tok.ch == '*'   ? OpCode::kMultiply
                  : m_tok.ch == '/' ? OpCode::kDivide
                                    : OpCode::kModulus;
      if (!advance()) return nullptr;
      ExprTree right = parsePower();
      if (!right) return nullptr;
      left = binary(op, std::move(left), std::move(right));
    }
    return left;
  }

  // 8. signed factors separated by "^".
  ExprTree parsePower() {
    ExprTree left = parseSigned();
    while (left && isChar('^')) {
      if (!advance()) return nullptr;
      ExprTree right = parseSigned();
      if (!right) return nullptr;
      left = binary(OpCode::kPower, std::move(left), std::move(right));
    }
    return left;
  }

  // 9. any number of signs, then a primary.
  ExprTree parseSigned() {
    int minus = 0;
    while (isChar('+') || isChar('-')) {
      if (m_tok.ch == '-') ++minus;
      if (!advance()) return nullptr;
    }
    ExprTree primary = parsePrimary();
    if (primary && minus % 2 == 1) primary = unary(OpCode::kNegate, std::move(primary));
    return primary;
  }

  ExprTree constant(Value v) {
    auto node = std::make_unique<ExprNode>();
    node->kind = NodeKind::kConstant;
    node->type = v.type;
    node->constant = std::move(v);
    return node;
  }

  // 10. a parenthesised expression, a constant, a picture, a variable or a
  // call, then any subscripts.
  ExprTree parsePrimary() {
    ExprTree node = parseOperand();
    while (node && isChar('[')) node = parseSubscript(std::move(node));
    return node;
  }

  ExprTree parseOperand() {
    switch (m_tok.kind) {
      case TokenKind::kInteger: {
        Value v = Value::ofInteger(m_tok.integer);
        return advance() ? constant(std::move(v)) : nullptr;
      }
      case TokenKind::kReal: {
        Value v = Value::ofReal(m_tok.real);
        return advance() ? constant(std::move(v)) : nullptr;
      }
      case TokenKind::kString:
      case TokenKind::kPicture: {
        Value v = Value::ofString(m_tok.text);
        if (m_tok.kind == TokenKind::kPicture) v.type = ResultType::kPicture;
        return advance() ? constant(std::move(v)) : nullptr;
      }
      case TokenKind::kName:
        return parseName();
      case TokenKind::kChar:
        if (m_tok.ch == '(') return parseParenthesised();
        return fail(std::string("unexpected \"") + m_tok.ch + "\" at offset " +
                    std::to_string(m_tok.offset));
      case TokenKind::kEnd:
        return fail("unexpected end of the text");
      case TokenKind::kError:
        break;
    }
    return fail("unexpected token");
  }

  // Enters one more level of nesting; false beyond the bound.
  bool enter() {
    if (++m_nesting > kMaxNesting) {
      fail("expression nested too deeply");
      return false;
    }
    return true;
  }

  ExprTree parseParenthesised() {
    if (!enter() || !advance()) return nullptr;
    ExprTree inner = parseExpression();
    if (!inner) return nullptr;
    if (!isChar(')')) return fail("expected \")\" at offset " + std::to_string(m_tok.offset));
    --m_nesting;
    return advance() ? std::move(inner) : nullptr;
  }

  ExprTree parseName() {
    const Symbol symbol = *m_symbol;
    if (symbol.kind == SymbolKind::kOperator) {
      return fail("unexpected " + symbol.name + " at offset " + std::to_string(m_tok.offset));
    }
    if (!advance()) return nullptr;
    if (symbol.kind == SymbolKind::kVariable) {
      auto node = std::make_unique<ExprNode>();
      node->kind = NodeKind::kVariable;
      node->type = symbol.type;
      node->name = symbol.name;
      node->variable = symbol.variable;
      return node;
    }
    // A built-in function: its parentheses are required.
    if (!isChar('(')) return fail(symbol.name + " needs parentheses");
    if (!enter() || !advance()) return nullptr;
    std::vector<ExprTree> args;
    if (!isChar(')')) {
      while (true) {
        if (args.size() >= symbol.maxArgs) return fail("too many arguments for " + symbol.name);
        ExprTree arg = parseExpression();
        if (!arg) return nullptr;
        args.push_back(std::move(arg));
        if (!isChar(',')) break;
        if (!advance()) return nullptr;
      }
    }
    if (!isChar(')')) return fail("expected \")\" at offset " + std::to_string(m_tok.offset));
    --m_nesting;
    if (!advance()) return nullptr;
    ExprTree call = makeNode(NodeKind::kCall, symbol.type, OpCode::kArgSeparator, std::move(args));
    if (call) {
      call->name = symbol.name;
      call->function = symbol.function;
    }
    return call;
  }

  // "[" index "]" or "[" first ":" last "]" after an operand.
  ExprTree parseSubscript(ExprTree operand) {
    if (!enter() || !advance()) return nullptr;
    std::vector<ExprTree> children;
    children.push_back(std::move(operand));
    ExprTree first = parseExpression();
    if (!first) return nullptr;
    children.push_back(std::move(first));
    OpCode op = OpCode::kSubscript;
    if (isChar(':')) {
      if (!advance()) return nullptr;
      ExprTree last = parseExpression();
      if (!last) return nullptr;
      children.push_back(std::move(last));
      op = OpCode::kSubscriptRange;
    }
    if (!isChar(']')) return fail("expected \"]\" at offset " + std::to_string(m_tok.offset));
    --m_nesting;
    if (!advance()) return nullptr;
    return makeNode(NodeKind::kSubscript, ResultType::kString, op, std::move(children));
  }

  ExprLexer m_lexer;
  Token m_tok;
  Token m_peek;
  bool m_hasPeek = false;
  std::optional<Symbol> m_symbol;  // the current token's entry, for names
  std::string m_reason;
  std::size_t m_failOffset = 0;  // where the token of the first failure starts
  int m_nesting = 0;
};

}  // namespace

ExprTree compileExpression(std::string_view text, std::string* reason) {
  return compileExpression(text, reason, nullptr);
}

ExprTree compileExpression(std::string_view text, std::string* reason, std::size_t* offset) {
  Parser parser(text);
  ExprTree tree = parser.run();
  if (!tree && reason) *reason = parser.reason().empty() ? "invalid expression" : parser.reason();
  if (!tree && offset) *offset = parser.failOffset();
  return tree;
}

}  // namespace dw::lang
