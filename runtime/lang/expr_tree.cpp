// Comparison and measurement of expression trees.
#include "runtime/lang/expr_tree.h"

#include <algorithm>

namespace dw::lang {

bool sameTree(const ExprNode& a, const ExprNode& b) {
  if (a.kind != b.kind || a.type != b.type || a.children.size() != b.children.size()) return false;
  switch (a.kind) {
    case NodeKind::kConstant:
      if (a.constant.integer != b.constant.integer || a.constant.text != b.constant.text) {
        return false;
      }
      // Reals must be the same number (both NaN counts as the same).
      if (a.constant.real != b.constant.real &&
          !(a.constant.real != a.constant.real && b.constant.real != b.constant.real)) {
        return false;
      }
      break;
    case NodeKind::kVariable:
      if (!(a.variable == b.variable) || compareNames(a.name, b.name) != 0) return false;
      break;
    case NodeKind::kCall:
      if (a.function != b.function) return false;
      break;
    case NodeKind::kUnary:
    case NodeKind::kBinary:
    case NodeKind::kSubscript:
      if (a.op != b.op) return false;
      break;
  }
  for (std::size_t i = 0; i < a.children.size(); ++i) {
    if (!sameTree(*a.children[i], *b.children[i])) return false;
  }
  return true;
}

int treeDepth(const ExprNode& node) {
  int depth = 0;
  for (const auto& c : node.children) depth = std::max(depth, treeDepth(*c));
  return depth + 1;
}

}  // namespace dw::lang
