// A test helper for the whole-program scripts: adds one task to the
// schedule of the data directory that is current (SM.BRK, created when
// missing), as the schedule's windows would, from NAME=VALUE arguments:
//
//   add_task ID=1 "TaskType=Run Program" Description=Backup "Command=..."
//            Path=DIR ScheduleType=Custom Every=1 EveryType=day(s)
//            Date=DAYNUMBER Time=HUNDREDTHS+1 Warn=1 UserSkip=1 Message=TEXT
//
// Unnamed fields stay blank or zero.  Exit 0 when the task was added, 1
// with the driver's error otherwise, 2 on a bad argument.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/data/app_files.h"
#include "runtime/lang/errors.h"

int main(int argc, char** argv) {
  using namespace dw::app;
  ScheduleFile& f = SCH();
  f.clear();
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto eq = arg.find('=');
    if (eq == std::string_view::npos) {
      std::fprintf(stderr, "add_task: %s is not NAME=VALUE\n", argv[i]);
      return 2;
    }
    const std::string_view name = arg.substr(0, eq);
    const std::string value(arg.substr(eq + 1));
    const auto number = [&] { return static_cast<std::int32_t>(std::atol(value.c_str())); };
    if (name == "ID")
      f->ID = number();
    else if (name == "TaskType")
      f->TaskType = value;
    else if (name == "Description")
      f->Description = value;
    else if (name == "Command")
      f->Command = value;
    else if (name == "Path")
      f->Path = value;
    else if (name == "ScheduleType")
      f->ScheduleType = value;
    else if (name == "Every")
      f->Every = number();
    else if (name == "EveryType")
      f->EveryType = value;
    else if (name == "Date")
      f->Date = number();
    else if (name == "Time")
      f->Time = number();
    else if (name == "Warn")
      f->Warn = static_cast<std::uint8_t>(number());
    else if (name == "UserSkip")
      f->UserSkip = static_cast<std::uint8_t>(number());
    else if (name == "Message")
      f.setMemoText(kMessageMemo, value);
    else {
      std::fprintf(stderr, "add_task: unknown field %s\n", std::string(name).c_str());
      return 2;
    }
  }
  int rc = f.open(0x142);
  if (rc == 0) rc = f.add();
  if (rc != 0) {
    std::fprintf(stderr, "add_task: %s (%d)\n", dw::lang::errorText().c_str(), rc);
    return 1;
  }
  f.close();
  return 0;
}
