// The search by example (see search_schedule.h).
#include "app/forms/search/search_schedule.h"

#include <memory>
#include <string>
#include <vector>

#include "app/data/app_files.h"
#include "app/data/requests.h"
#include "app/forms/schedule/update_schedule_fields.h"
#include "app/forms/schedule/update_schedule_store.h"
#include "app/forms/search/qbe_dialogs.h"
#include "app/forms/search/search_fields.h"
#include "app/forms/search/search_scan.h"
#include "app/routines/file_routines.h"
#include "app/routines/settings.h"
#include "app/routines/tag_routines.h"
#include "app/routines/window_position.h"
#include "fields/dorn006.h"
#include "fields/s_qbe.h"
#include "runtime/lang/picture.h"
#include "runtime/ui/events.h"
#include "runtime/ui/message_box.h"
#include "runtime/ui/runtime.h"
#include "runtime/ui/window_builder.h"

namespace dw::app {

using ui::runtime;
namespace ev = ui::ev;
namespace sf = dorn006;

namespace {

constexpr ui::ProgressWindowSpec kScanProgress{kQbeModule, "PROGRESS$WINDOW", s_qbe::kBar,
                                               s_qbe::kPercent, s_qbe::kProgressCancel};
constexpr const char* kEditThis = "&Edit This";
constexpr const char* kFindNext = "&Find Next";
constexpr const char* kBeginSearch = "&Begin Search";
constexpr const char* kOk = "&OK";

// The task form's controls as this window has them (dorn006 names its
// controls as dorn005 does).
TaskFieldMap searchFormFields() {
  TaskFieldMap f;
  f.taskType = sf::kTaskType;
  f.category = sf::kCategory;
  f.description = sf::kDescription;
  f.commandTab = sf::kCommandTab;
  f.commandFirst = sf::kCommandPrompt;
  f.commandLast = sf::kPath;
  f.command = sf::kCommand;
  f.browseCommand = sf::kBrowseCommand;
  f.path = sf::kPath;
  f.messageTab = sf::kMessageTab;
  f.messageText = sf::kMessageText;
  f.scheduleType = sf::kScheduleType;
  f.every1st = sf::kEvery1st;
  f.sunday = sf::kSunday;
  f.everyPrompt = sf::kEveryPrompt;
  f.every = sf::kEvery;
  f.everyType = sf::kEveryType;
  f.everyTypeLast = sf::kYears;
  f.date = sf::kDate;
  f.pickDate = sf::kPickDate;
  f.timePrompt = sf::kTimePrompt;
  f.time = sf::kTime;
  f.lastRunDate = sf::kLastRunDate;
  f.lastRunTime = sf::kLastRunTime;
  f.skipNextTime = sf::kSkipNextTime;
  f.advanceWarnDate = sf::kAdvanceWarnDate;
  f.pickWarnDate = sf::kPickWarnDate;
  f.advanceWarnTime = sf::kAdvanceWarnTime;
  f.alarm = sf::kAlarm;
  f.alarmFirst = sf::kAlarmPrompt;
  f.alarmLast = sf::kPlay;
  f.alarmFile = sf::kAlarmFile;
  f.browseAlarm = sf::kBrowseAlarm;
  f.play = sf::kPlay;
  f.warn = sf::kWarn;
  f.userSkip = sf::kUserSkip;
  f.disabled = sf::kDisabled;
  return f;
}

void tell(const char* text) {
  runtime().message(text, "", ui::stockIconString(ui::stock::kExclamation), ui::button::kOk);
}

class SearchWindow {
 public:
  SearchWindow()
      : m_map(searchFormFields()),
        m_editor(m_store, m_map),
        m_fields(searchFields(m_map, sf::kNoTask, sf::kCustom)),
        m_types(m_fields.size(), match::kIgnore),
        m_uppers(m_fields.size()) {}

  bool open() {
    if (!m_store.open()) return false;
    m_store.task = blankTask();
    m_store.message.clear();
    m_window = &ui::openWindow(kSearchScheduleModule, kSearchScheduleLabel, ui::WindowKind::Plain);
    restorePosition(kSearchScheduleSection, false, kIniFile);
    m_editor.bind();
    runtime().select(sf::kTaskType);
    return true;
  }

  void run() {
    ui::Runtime& rt = runtime();
    while (rt.accept()) {
      noteWindowState(rt.event());
      const int event = rt.event();
      const int field = rt.field();
      if (event == ev::kRejected) {
        rt.backend().beep();
        rt.display(field);
        continue;
      }
      // The field that "&Search Type" applies to: the data field last
      // selected; selecting anything else but that button forgets it.
      if (event == ev::kSelected || event == ev::kAccepted) {
        const int index = fieldOfControl(m_fields, field);
        if (index >= 0)
          m_current = index;
        else if (event == ev::kSelected && field != sf::kSearchType)
          m_current = -1;
      }
      if (event == ev::kCompleted) {
        completeEdit();
        continue;
      }
      if (event != ev::kAccepted) {
        forward(event, field);
        continue;
      }
      switch (field) {
        case sf::kSearchType:
          if (m_mode == Mode::Example) chooseMatchType();
          break;
        case sf::kBeginSearch:
          if (m_mode == Mode::Example)
            beginSearch();
          else if (m_mode == Mode::Stepping)
            findNext();
          break;
        case sf::kOK:
          if (m_mode == Mode::Stepping)
            editThis();
          else if (m_mode == Mode::Editing)
            rt.selectAll();
          else
            rt.post(ev::kCloseWindow);
          break;
        case sf::kCancel:
          rt.post(ev::kCloseWindow);
          break;
        default:
          forward(event, field);
          break;
      }
    }
  }

  void close() {
    savePosition(kSearchScheduleSection, kIniFile);
    if (m_mode != Mode::Editing || globalResponse() != response::kCompleted)
      m_store.restoreCaller();
    if (m_window && runtime().isOpen(m_window)) runtime().close(*m_window);
  }

 private:
  enum class Mode { Example, Stepping, Editing };

  // The task form's own field events.  An example's date is no task's
  // date: the checks of a date against its schedule and of the advance
  // warning apply only once the form edits a task found.
  void forward(int event, int field) {
    const bool dateCheck =
        field == m_map.date || field == m_map.advanceWarnDate || field == m_map.advanceWarnTime;
    if (dateCheck && m_mode != Mode::Editing) return;
    m_editor.handle(event, field);
  }

  void chooseMatchType() {
    if (m_current < 0) {
      tell(kSelectFieldFirst);
      return;
    }
    const SearchField& f = m_fields[m_current];
    const int old = m_types[m_current];
    const int chosen = AskMatchType_(f.kind, old);
    if (needsUpperLimit(chosen)) {
      // A range asks for its limits at once; without them the choice is not
      // made.
      const auto limits = GetUpperLimit_({currentText(f), m_uppers[m_current]});
      if (!limits) return;
      setExampleValue(f, limits->lower);
      m_uppers[m_current] = limits->upper;
    }
    m_types[m_current] = chosen;
  }

  // The example's value of a field as the user reads it.
  std::string currentText(const SearchField& f) {
    if (f.text) return std::string(f.text(m_store.task, m_store.message));
    const std::int64_t n = f.number(m_store.task);
    if (*f.picture) return lang::format(static_cast<double>(n), f.picture);
    return std::to_string(n);
  }

  // The lower limit typed in the limits window becomes the example's value.
  void setExampleValue(const SearchField& f, const std::string& text) {
    ui::Runtime& rt = runtime();
    if (f.text || !*f.picture) {
      rt.change(f.control, text);
      return;
    }
    const lang::PictureValue v = lang::deformat(text, f.picture);
    rt.change(f.control, v.isText ? "0" : std::to_string(static_cast<std::int64_t>(v.number)));
  }

  std::vector<SearchTerm> terms() const {
    std::vector<SearchTerm> out;
    for (std::size_t i = 0; i < m_fields.size(); ++i)
      if (m_types[i] != match::kIgnore)
        out.push_back({static_cast<int>(i), m_types[i], m_uppers[i]});
    return out;
  }

  void beginSearch() {
    std::vector<SearchTerm> t = terms();
    if (t.empty()) {
      tell(kNoSearchField);
      return;
    }
    m_editor.takeMessage();
    const QbeTask task = QBETask_();
    if (task == QbeTask::Cancel) return;
    m_exampleTask = m_store.task;
    m_exampleMessage = m_store.message;
    m_scan =
        std::make_unique<ScheduleScan>(m_fields, std::move(t), m_exampleTask, m_exampleMessage);
    if (task == QbeTask::Edit) {
      m_mode = Mode::Stepping;
      findNext();
      return;
    }
    const bool select = task == QbeTask::Select;
    if (select && AnyTag_(kScheduleTagTable)) {
      const int answer =
          runtime().message(kClearOldSelections, "", ui::stockIconString(ui::stock::kQuestion),
                            ui::button::kYes | ui::button::kNo, ui::button::kYes);
      if (answer == ui::button::kYes && !NewTag_(kScheduleTagTable)) return;
    }
    FileUser tags(TF_());
    const auto end = ui::runProgress(kScanProgress, kSearchingTitle, [&] {
      return m_scan->step(kRecordsPerTick, [&](std::uint32_t recordNumber) {
        if (select)
          SetTag_(kScheduleTagTable, recordNumber, std::to_string(SCH()->ID.get()));
        else
          ClrTag_(kScheduleTagTable, recordNumber);
        return true;
      });
    });
    reportReadError();
    if (end == ui::ProgressEnd::Done && m_scan->matches() == 0) tell(kNoMatches);
    m_scan.reset();
  }

  // Edit: the scan up to the next match, shown in the form.
  void findNext() {
    ui::Runtime& rt = runtime();
    bool found = false;
    const auto end = ui::runProgress(kScanProgress, kSearchingTitle, [&] {
      return m_scan->step(kRecordsPerTick, [&](std::uint32_t) {
        found = true;
        m_foundId = SCH()->ID.get();
        m_store.task = SCH().rec();
        m_store.message = SCH().memoText(kMessageMemo);
        return false;
      });
    });
    reportReadError();
    if (found) {
      m_editor.bind();
      rt.display();
      rt.setProperty(sf::kBeginSearch, ui::prop::kText, kFindNext);
      rt.setProperty(sf::kOK, ui::prop::kText, kEditThis);
      rt.disable(sf::kSearchType);
      return;
    }
    if (end == ui::ProgressEnd::Done) tell(m_scan->matches() == 0 ? kNoMatches : kNoMoreMatches);
    backToExample();
  }

  void backToExample() {
    ui::Runtime& rt = runtime();
    m_mode = Mode::Example;
    m_scan.reset();
    m_store.task = m_exampleTask;
    m_store.message = m_exampleMessage;
    m_editor.bind();
    rt.display();
    rt.setProperty(sf::kBeginSearch, ui::prop::kText, kBeginSearch);
    rt.setProperty(sf::kOK, ui::prop::kText, kOk);
    rt.enable(sf::kSearchType);
  }

  // "&Edit This": the form now edits the task found (request 2, change).
  void editThis() {
    ui::Runtime& rt = runtime();
    m_scan.reset();
    SCH()->ID = m_foundId;
    if (SCH().get(sch_key::kKeyID) != 0) {
      standardError(stdmsg::kRecordRetrievalError, kScheduleLabel);
      backToExample();
      return;
    }
    m_store.takeFromBuffer();
    m_editor.bind();
    rt.display();
    globalRequest() = request::kChange;
    m_mode = Mode::Editing;
    rt.setProperty(sf::kOK, ui::prop::kText, kOk);
    rt.disable(sf::kSearchType, sf::kBeginSearch);
  }

  void completeEdit() {
    if (m_mode != Mode::Editing) return;
    m_editor.takeMessage();
    const StoreResult r = m_store.completeChange();
    if (r == StoreResult::kRetry) return;
    if (r == StoreResult::kDone) globalResponse() = response::kCompleted;
    runtime().post(ev::kCloseWindow);
  }

  void reportReadError() {
    if (m_scan && m_scan->error() != 0)
      standardError(stdmsg::kRecordRetrievalError, kScheduleLabel);
  }

  ui::Window* m_window = nullptr;
  TaskStore m_store;
  TaskFieldMap m_map;
  TaskEditor m_editor;
  std::vector<SearchField> m_fields;
  std::vector<int> m_types;
  std::vector<std::string> m_uppers;
  int m_current = -1;
  Mode m_mode = Mode::Example;
  std::unique_ptr<ScheduleScan> m_scan;
  ScheduleRecord m_exampleTask{};
  std::string m_exampleMessage;
  std::int32_t m_foundId = 0;
};

}  // namespace

void SearchSchedule() {
  globalResponse() = response::kCancelled;
  FileUser tags(TF_());
  SearchWindow window;
  if (!window.open()) return;
  window.run();
  window.close();
}

}  // namespace dw::app
