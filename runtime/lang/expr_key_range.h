// Key ranges of filters, and the parts of a filter that do not depend on
// the record.
//
// A view that reads a table through a key with a filter asks planKeyRange
// which comparisons of the filter limit the key's components: a comparison
// ("=", "<", ">", "<=", ">=") between a component (a bound name of the key,
// in key order) and a subexpression that does not depend on the record,
// when it is joined to the rest of the filter only by AND.  Nothing under
// OR, XOR or NOT limits the range.  Just before a scan, resolveKeyRange
// evaluates those subexpressions and combines the bounds of each component
// (the greatest lower bound, the least upper bound).
//
// Ranges are only ever wider than the filter: the view still evaluates the
// whole filter for every record in the range.  So a component limits the
// range only when the comparison is one the key order agrees with: integer
// and real (REAL, SREAL, DECIMAL) components against integer or real
// bounds, string components against string bounds.  A real bound is widened
// outward by more than the margin within which two reals count as equal:
// an integer component gets the whole numbers around it, a real component
// an inclusive real bound a little beyond it.  A view compares a real
// component, read as a real, with its bounds exactly.
//
// prepareScan marks the largest subtrees that do not depend on the record
// so that they are evaluated once; endScan forgets those values.  RANDOM
// and CLOCK are never evaluated ahead, since each call may differ.
//
// Thread-safety: as for evaluation, only the thread that owns the tree and
// holds the Runtime lock plans, resolves and prepares scans.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/lang/expr_tree.h"

namespace dw::lang {

// Whether a bound variable belongs to the record being scanned.
using RecordTest = std::function<bool(const BoundVariable&)>;

// The test for variables that lie inside the given buffers (a record buffer,
// its memo buffers).
RecordTest variablesIn(std::vector<std::pair<const void*, std::size_t>> buffers);

// Whether a subtree reads no record variable and calls neither RANDOM nor
// CLOCK, so that its value is the same for every record of a scan.
bool isRecordIndependent(const ExprNode& node, const RecordTest& isRecordField);

struct KeyBoundTerm {
  const ExprNode* expr = nullptr;  // record-independent
  bool inclusive = true;
};

struct KeyComponentPlan {
  ResultType type = ResultType::kInteger;  // the component's own type
  VarType storage = VarType::kLong;        // how the component is stored
  std::vector<KeyBoundTerm> lower;
  std::vector<KeyBoundTerm> upper;
};

struct KeyRangePlan {
  std::vector<KeyComponentPlan> components;  // one per key component, in key order
};

// Finds the comparisons that limit each key component.  componentNames are
// the bound names of the key's components; the plan points into filter.
KeyRangePlan planKeyRange(const ExprNode& filter, const std::vector<std::string>& componentNames,
                          const RecordTest& isRecordField);

struct ResolvedBound {
  std::optional<Value> value;  // nullopt: unlimited
  bool inclusive = true;
};

struct ResolvedComponent {
  ResolvedBound lower;
  ResolvedBound upper;
};

struct ResolvedKeyRange {
  std::vector<ResolvedComponent> components;
  // True when some component's bounds exclude every value: no record can
  // pass the filter, so the scan can be skipped.
  bool empty = false;
};

// Evaluates the plan's bounds (integers for integer components, reals for
// real and DECIMAL components, texts for string components) and combines
// them.
ResolvedKeyRange resolveKeyRange(const KeyRangePlan& plan);

// The largest subtrees (operators, calls, subscripts) that do not depend on
// the record.
std::vector<const ExprNode*> hoistableSubtrees(const ExprNode& root,
                                               const RecordTest& isRecordField);

// Evaluates the hoistable subtrees once and keeps their values in the tree
// until endScan.
void prepareScan(const ExprNode& root, const RecordTest& isRecordField);
void endScan(const ExprNode& root);

}  // namespace dw::lang
