// The query-by-example dialogs of the search (window module S_QBE):
//
//   AskMatchType_   the match type of one field: a radio per type, those
//                   the field's kind does not offer hidden and the others
//                   moved up to close the gaps; titled after the kind
//                   ("Match Type for DATE Field"), the current type chosen
//                   when it opens;
//   GetUpperLimit_  "Enter Upper Limit": the lower and the upper limit of
//                   a range (20 characters each);
//   QBETask_        "What do you want to do?": Edit, Select, Unselect or
//                   Cancel.
//
// Each runs on the calling thread and closes its window before it returns.
//
// Thread-safety: a runtime thread holding the Runtime lock.
#pragma once

#include <optional>
#include <string>

#include "app/forms/search/qbe_match.h"

namespace dw::app {

inline constexpr const char* kQbeModule = "DORN.vls$s_qbe";

// The type chosen (OK), or `current` (Cancel, closed).
int AskMatchType_(QbeKind kind, int current);

struct RangeLimits {
  std::string lower;
  std::string upper;
};
// The limits entered (OK, trailing blanks removed), or nothing (Cancel).
std::optional<RangeLimits> GetUpperLimit_(const RangeLimits& initial);

enum class QbeTask { Edit, Select, Unselect, Cancel };
QbeTask QBETask_();

}  // namespace dw::app
