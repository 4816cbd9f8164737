// Key ranges and record-independent subtrees; see expr_key_range.h.
#include "runtime/lang/expr_key_range.h"

#include <cmath>

#include "runtime/lang/expr_eval.h"
#include "runtime/lang/expr_runtime.h"

namespace dw::lang {
namespace {

// The AND-joined terms of a filter.
void conjuncts(const ExprNode& node, std::vector<const ExprNode*>& out) {
  if (node.kind == NodeKind::kBinary && node.op == OpCode::kAnd) {
    conjuncts(*node.children[0], out);
    conjuncts(*node.children[1], out);
  } else {
    out.push_back(&node);
  }
}

// The comparison seen from the other side: a < b is b > a.
OpCode mirrored(OpCode op) {
  switch (op) {
    case OpCode::kLess:
      return OpCode::kGreater;
    case OpCode::kGreater:
      return OpCode::kLess;
    case OpCode::kLessEqual:
      return OpCode::kGreaterEqual;
    case OpCode::kGreaterEqual:
      return OpCode::kLessEqual;
    default:
      return op;
  }
}

bool limitsRange(OpCode op) {
  return op == OpCode::kEqual || op == OpCode::kLess || op == OpCode::kGreater ||
         op == OpCode::kLessEqual || op == OpCode::kGreaterEqual;
}

// Whether a component of this type can be limited by a bound of that type.
bool boundFits(ResultType component, ResultType bound) {
  if (isIntegral(component)) return isIntegral(bound) || bound == ResultType::kReal;
  if (component == ResultType::kReal) return isIntegral(bound) || bound == ResultType::kReal;
  if (component == ResultType::kString) return isText(bound);
  return false;
}

void addTerm(KeyComponentPlan& c, OpCode op, const ExprNode* bound) {
  switch (op) {
    case OpCode::kEqual:
      c.lower.push_back({bound, true});
      c.upper.push_back({bound, true});
      break;
    case OpCode::kGreater:
    case OpCode::kGreaterEqual:
      c.lower.push_back({bound, op == OpCode::kGreaterEqual});
      break;
    case OpCode::kLess:
    case OpCode::kLessEqual:
      c.upper.push_back({bound, op == OpCode::kLessEqual});
      break;
    default:
      break;
  }
}

// Bounds are edges, not operands: reals among them compare exactly.
int compareBoundValues(const Value& a, const Value& b) {
  if (isText(a.type)) return exprrt::compareText(a.text, b.text);
  if (a.type == ResultType::kReal) return a.real < b.real ? -1 : (a.real > b.real ? 1 : 0);
  return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
}

// Keeps the tighter of two bounds; sign 1 for lower bounds, -1 for upper.
void tighten(ResolvedBound& current, const Value& value, bool inclusive, int sign) {
  if (!current.value) {
    current = {value, inclusive};
    return;
  }
  int c = compareBoundValues(value, *current.value) * sign;
  if (c > 0 || (c == 0 && !inclusive)) current = {value, c > 0 ? inclusive : false};
}

// An integer component's bound from a term: reals widen outward by the
// margin within which two reals count as equal.
bool integerBound(const KeyBoundTerm& term, int sign, Value* out, bool* inclusive) {
  *inclusive = term.inclusive;
  if (isIntegral(term.expr->type)) {
    *out = Value::ofInteger(evalInteger(*term.expr));
    return true;
  }
  double r = evalReal(*term.expr);
  if (std::isnan(r)) return false;
  double margin = std::ldexp(1.0, std::ilogb(std::fmax(std::fabs(r), 1.0)) - 48);
  double widened = sign > 0 ? std::floor(r - margin) : std::ceil(r + margin);
  *out = Value::ofInteger(truncateReal(widened));
  *inclusive = true;
  return true;
}

// How far a real component's bound is moved outward, as a power of two below
// the bound's own exponent (at least that of 1.0).  Two reals compare equal
// when their difference lies 50 binary places below the larger of them, so
// 48 places keeps every value "=" or "<=" accepts inside with room to spare.
// A 4-byte real keeps a margin its own precision can hold, so that a view
// rounding the bound to the stored width still stays outside; a DECIMAL
// allows for the rounding of its digits on the way to a real.
int marginPlaces(VarType storage) {
  switch (storage) {
    case VarType::kSReal:
      return 20;
    case VarType::kDecimal:
      return 40;
    default:
      return 48;
  }
}

// A real component's bound from a term: every bound (also the strict ones,
// which costs a few values at most) moves outward by the margin and becomes
// inclusive.  Infinite bounds, or bounds that overflow on widening, leave the
// side unlimited.
enum class RealBound { kValue, kUnlimited, kNaN };
RealBound realBound(const KeyBoundTerm& term, int sign, VarType storage, Value* out) {
  double r = evalReal(*term.expr);
  if (std::isnan(r)) return RealBound::kNaN;
  if (!std::isfinite(r)) return RealBound::kUnlimited;
  double margin = std::ldexp(1.0, std::ilogb(std::fmax(std::fabs(r), 1.0)) - marginPlaces(storage));
  double widened = sign > 0 ? r - margin : r + margin;
  if (!std::isfinite(widened)) return RealBound::kUnlimited;
  *out = Value::ofReal(widened);
  return RealBound::kValue;
}

bool isVolatileCall(const ExprNode& node) {
  return node.kind == NodeKind::kCall &&
         (node.function == BuiltinId::kRandom || node.function == BuiltinId::kClock);
}

void collectHoistable(const ExprNode& node, const RecordTest& test,
                      std::vector<const ExprNode*>& out) {
  if (node.kind == NodeKind::kConstant || node.kind == NodeKind::kVariable) return;
  if (isRecordIndependent(node, test)) {
    out.push_back(&node);
    return;
  }
  for (const auto& c : node.children) collectHoistable(*c, test, out);
}

}  // namespace

RecordTest variablesIn(std::vector<std::pair<const void*, std::size_t>> buffers) {
  return [buffers = std::move(buffers)](const BoundVariable& v) {
    auto address = reinterpret_cast<std::uintptr_t>(v.address);
    for (const auto& [begin, size] : buffers) {
      auto start = reinterpret_cast<std::uintptr_t>(begin);
      if (address >= start && address < start + size) return true;
    }
    return false;
  };
}

bool isRecordIndependent(const ExprNode& node, const RecordTest& isRecordField) {
  if (node.kind == NodeKind::kVariable) return !isRecordField(node.variable);
  if (isVolatileCall(node)) return false;
  for (const auto& c : node.children) {
    if (!isRecordIndependent(*c, isRecordField)) return false;
  }
  return true;
}

KeyRangePlan planKeyRange(const ExprNode& filter, const std::vector<std::string>& componentNames,
                          const RecordTest& isRecordField) {
  KeyRangePlan plan;
  plan.components.resize(componentNames.size());
  std::vector<const ExprNode*> terms;
  conjuncts(filter, terms);
  for (const ExprNode* term : terms) {
    if (term->kind != NodeKind::kBinary || !limitsRange(term->op)) continue;
    for (int side = 0; side < 2; ++side) {
      const ExprNode& field = *term->children[side];
      const ExprNode& bound = *term->children[1 - side];
      if (field.kind != NodeKind::kVariable) continue;
      for (std::size_t k = 0; k < componentNames.size(); ++k) {
        if (compareNames(field.name, componentNames[k]) != 0) continue;
        if (!boundFits(field.type, bound.type) || !isRecordIndependent(bound, isRecordField)) {
          continue;
        }
        plan.components[k].type = field.type;
        plan.components[k].storage = field.variable.type;
        addTerm(plan.components[k], side == 0 ? term->op : mirrored(term->op), &bound);
      }
    }
  }
  for (std::size_t k = 0; k < componentNames.size(); ++k) {
    KeyComponentPlan& c = plan.components[k];
    if (c.lower.empty() && c.upper.empty()) c.type = ResultType::kInteger;
  }
  return plan;
}

ResolvedKeyRange resolveKeyRange(const KeyRangePlan& plan) {
  ResolvedKeyRange range;
  for (const KeyComponentPlan& c : plan.components) {
    ResolvedComponent resolved;
    for (int sign : {1, -1}) {
      const auto& terms = sign > 0 ? c.lower : c.upper;
      ResolvedBound& bound = sign > 0 ? resolved.lower : resolved.upper;
      for (const KeyBoundTerm& term : terms) {
        Value v;
        bool inclusive = term.inclusive;
        if (isText(c.type)) {
          v = Value::ofString(evalString(*term.expr));
        } else if (c.type == ResultType::kReal) {
          RealBound kind = realBound(term, sign, c.storage, &v);
          if (kind == RealBound::kNaN) range.empty = true;  // a comparison with NaN is never true
          if (kind != RealBound::kValue) continue;
          inclusive = true;
        } else if (!integerBound(term, sign, &v, &inclusive)) {
          range.empty = true;  // a comparison with NaN is never true
          continue;
        }
        tighten(bound, v, inclusive, sign);
      }
    }
    if (resolved.lower.value && resolved.upper.value) {
      int cmp = compareBoundValues(*resolved.lower.value, *resolved.upper.value);
      if (cmp > 0 || (cmp == 0 && !(resolved.lower.inclusive && resolved.upper.inclusive))) {
        range.empty = true;
      }
    }
    range.components.push_back(std::move(resolved));
  }
  return range;
}

std::vector<const ExprNode*> hoistableSubtrees(const ExprNode& root,
                                               const RecordTest& isRecordField) {
  std::vector<const ExprNode*> out;
  collectHoistable(root, isRecordField, out);
  return out;
}

void prepareScan(const ExprNode& root, const RecordTest& isRecordField) {
  endScan(root);
  for (const ExprNode* node : hoistableSubtrees(root, isRecordField)) {
    node->cached = evaluate(*node);
  }
}

void endScan(const ExprNode& root) {
  root.cached.reset();
  for (const auto& c : root.children) endScan(*c);
}

}  // namespace dw::lang
