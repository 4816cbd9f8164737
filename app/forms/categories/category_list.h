// What the category list and the picker share: the Categories table by
// CAT:KeyCategory as a list's rows (one column, the name), located by the
// name's first letters.
//
// Thread-safety: the window's thread under the Runtime lock.
#pragma once

#include <memory>
#include <string>

#include "app/forms/common/record_list.h"

namespace dw::app {

// The rows of the Categories table (open) by name.
std::shared_ptr<KeyListSource> categoryListSource();
// The name in a Categories record image, without trailing blanks.
std::string categoryOfImage(const std::string& image);

}  // namespace dw::app
