// The to-do list and the categories for dornctl (see list_store.h).
#include "app/exchange/list_store.h"

#include <algorithm>

#include "app/data/app_files.h"
#include "app/data/table_descs.h"
#include "app/routines/file_routines.h"
#include "runtime/lang/errors.h"

namespace dw::app {
namespace {

constexpr std::uint32_t kShared = 0x42;  // read and write; others may do anything
constexpr int kFileNotFound = 2;
constexpr int kRefused = -1;
constexpr int kLowestPriority = 1;
constexpr int kHighestPriority = 10;

FileFault faultOf(const char* label, int code, std::string text = {}) {
  if (text.empty()) text = lang::errorText();
  if (text.empty()) text = lang::messageText(code);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return FileFault{label, code, text};
}

// The routines' boxes, kept instead of shown while a change runs.
class Messages {
 public:
  Messages() {
    setStandardMessageSink([this](const StandardMessage& m) {
      m_texts.push_back(m.text);
      return m.defaultButton;
    });
  }
  ~Messages() { setStandardMessageSink(nullptr); }
  Messages(const Messages&) = delete;
  Messages& operator=(const Messages&) = delete;
  std::string last() const { return m_texts.empty() ? std::string() : m_texts.back(); }

 private:
  std::vector<std::string> m_texts;
};

// What a routine's answer means: 0 done, -1 refused by a rule (with its
// message), anything else a file error.
ListResult routineResult(int rc, const char* label, const Messages& messages) {
  ListResult r;
  if (rc == 0) return r;
  if (rc == kRefused) {
    r.status = ListResult::Status::Refused;
    r.message = messages.last();
    return r;
  }
  r.status = ListResult::Status::Failed;
  r.fault = faultOf(label, rc);
  return r;
}

ListResult failed(const char* label, int rc) {
  ListResult r;
  r.status = ListResult::Status::Failed;
  r.fault = faultOf(label, rc);
  return r;
}

ListResult status(ListResult::Status s, std::string message = {}) {
  ListResult r;
  r.status = s;
  r.message = std::move(message);
  return r;
}

// Reads every record of a table by key, opening it for the read when this
// process does not hold it; a missing table has none.
template <class File, class Fn>
std::optional<FileFault> readAll(File& file, const char* label, std::size_t key, Fn each) {
  const bool opened = !file.isOpen();
  if (opened) {
    const int rc = file.open(kShared);
    if (rc == kFileNotFound) {
      lang::clearError();
      return std::nullopt;
    }
    if (rc != 0) return faultOf(label, rc);
  }
  std::optional<FileFault> fault;
  int rc = file.set(key);
  while (rc == 0 && (rc = file.next()) == 0) each(file);
  if (rc != lang::err::kRecordNotAvailable) fault = faultOf(label, rc);
  lang::clearError();
  if (opened) {
    file.close();
    file.clear();
  }
  return fault;
}

}  // namespace

ListStore::ListStore(StoreAccess access) : m_access(access) {}

ListStore::~ListStore() {
  for (auto it = m_used.rbegin(); it != m_used.rend(); ++it) releaseFile(**it);
}

std::string ListStore::priorityRangeText() {
  return standardMessage(stdmsg::kRangeBetween, "tDo:Priority", std::to_string(kLowestPriority),
                         std::to_string(kHighestPriority))
      .text;
}

void ListStore::use(db::DeclaredFile& file) {
  if (std::find(m_used.begin(), m_used.end(), &file) != m_used.end()) return;
  // The open routine creates a missing table and ends the program when
  // the file cannot be used at all.
  (void)useFile(file, CreateFile::Yes);
  m_used.push_back(&file);
}

std::optional<FileFault> ListStore::toDoItems(std::vector<ToDoEntry>& out) {
  return readAll(TDO(), "Todo", tdo_key::kKeyDone, [&out](ToDoFile& f) {
    out.push_back(ToDoEntry{f.pointer(), f.rec()});
  });
}

std::optional<FileFault> ListStore::categories(std::vector<std::string>& out) {
  return readAll(CAT(), "Categories", cat_key::kKeyCategory,
                 [&out](CategoriesFile& f) { out.push_back(f->Category.str()); });
}

ListResult ListStore::readToDo(std::uint32_t id) {
  use(TDO());
  if (id == 0 || TDO().getRecord(id) != 0) {
    lang::clearError();
    return status(ListResult::Status::NotFound);
  }
  return {};
}

ListResult ListStore::addToDo(std::string_view text, int priority, std::uint32_t& id) {
  if (priority < kLowestPriority || priority > kHighestPriority)
    return status(ListResult::Status::Invalid, priorityRangeText());
  if (text.size() > sizeof(ToDoRecord::ToDo))
    return status(ListResult::Status::Invalid, "the text has more than 40 characters");
  use(TDO());
  ToDoFile& tdo = TDO();
  tdo.clear();
  tdo->Done = 0;
  tdo->Priority = static_cast<std::uint8_t>(priority);
  tdo->ToDo = text;
  if (int rc = tdo.add()) return failed("Todo", rc);
  id = tdo.pointer();
  return {};
}

ListResult ListStore::setToDoDone(std::uint32_t id, bool done) {
  ListResult r = readToDo(id);
  if (r.status != ListResult::Status::Done) return r;
  ToDoFile& tdo = TDO();
  (void)tdo.watch();
  if (tdo.getRecord(id) != 0) return status(ListResult::Status::NotFound);
  tdo->Done = done ? 1 : 0;
  Messages messages;
  return routineResult(updateToDoRecord(), "Todo", messages);
}

ListResult ListStore::removeToDo(std::uint32_t id) {
  ListResult r = readToDo(id);
  if (r.status != ListResult::Status::Done) return r;
  Messages messages;
  return routineResult(deleteToDoRecord(), "Todo", messages);
}

ListResult ListStore::readCategory(std::string_view name) {
  use(CAT());
  CategoriesFile& cat = CAT();
  cat.clear();
  cat->Category = name;
  (void)cat.watch();
  const int rc = cat.get(cat_key::kKeyCategory);
  if (rc == 0) return {};
  if (rc == lang::err::kRecordNotAvailable || rc == lang::err::kRecordNotFound) {
    lang::clearError();
    return status(ListResult::Status::NotFound);
  }
  return failed("Categories", rc);
}

namespace {

std::optional<ListResult> checkName(std::string_view name) {
  if (trimRight(name).empty())
    return status(ListResult::Status::Invalid, "a category needs a name");
  if (name.size() > sizeof(CategoryRecord::Category))
    return status(ListResult::Status::Invalid, "a category has at most 20 characters");
  return std::nullopt;
}

}  // namespace

ListResult ListStore::addCategory(std::string_view name) {
  if (auto bad = checkName(name)) return *bad;
  ListResult r = readCategory(name);
  if (r.status == ListResult::Status::Done) return status(ListResult::Status::Exists);
  if (r.status != ListResult::Status::NotFound) return r;
  CategoriesFile& cat = CAT();
  cat.clear();
  cat->Category = name;
  const int rc = cat.add();
  if (rc == lang::err::kDuplicateKey) return status(ListResult::Status::Exists);
  if (rc != 0) return failed("Categories", rc);
  return {};
}

ListResult ListStore::renameCategory(std::string_view from, std::string_view to) {
  if (auto bad = checkName(to)) return *bad;
  // A new name that another category has already.
  ListResult other = readCategory(to);
  if (other.status == ListResult::Status::Failed) return other;
  ListResult r = readCategory(from);
  if (r.status != ListResult::Status::Done) return r;
  if (other.status == ListResult::Status::Done && CAT().pointer() != 0) {
    const std::uint32_t at = CAT().pointer();
    ListResult again = readCategory(to);
    if (again.status == ListResult::Status::Done && CAT().pointer() != at)
      return status(ListResult::Status::Exists);
    r = readCategory(from);
    if (r.status != ListResult::Status::Done) return r;
  }
  CAT()->Category = to;
  Messages messages;
  return routineResult(updateCategoriesRecord(), "Categories", messages);
}

ListResult ListStore::removeCategory(std::string_view name) {
  ListResult r = readCategory(name);
  if (r.status != ListResult::Status::Done) return r;
  Messages messages;
  return routineResult(deleteCategoriesRecord(), "Categories", messages);
}

}  // namespace dw::app
