// Placeholder bodies of the standard file routines while they are built.
#include "app/core/file_routines.h"

#include <cstdlib>

namespace dw::app {

namespace {
[[noreturn]] void notYet() {
  std::abort();
}
}  // namespace

std::string standardErrorText() {
  notYet();
}
StandardMessage standardMessage(int, std::string_view, std::string_view, std::string_view,
                                std::string_view, std::string_view) {
  notYet();
}
int standardError(int, std::string_view, std::string_view, std::string_view, std::string_view) {
  notYet();
}
void openRoutine(db::DeclaredFile&, CreateFile, ForbidCreate, std::uint32_t) {
  notYet();
}
bool useFile(db::DeclaredFile&, CreateFile, ForbidCreate, std::uint32_t) {
  notYet();
}
void releaseFile(db::DeclaredFile&) {
  notYet();
}
std::string_view fileLabel(const db::DeclaredFile&) {
  notYet();
}
void rememberRecord(db::DeclaredFile&) {
  notYet();
}
void forgetRecord(db::DeclaredFile&) {
  notYet();
}
bool recordChanged(db::DeclaredFile&) {
  notYet();
}
int deleteScheduleRecord() {
  notYet();
}
int deleteScheduleRecord(ScheduleFile&) {
  notYet();
}
int deleteHistoryRecord() {
  notYet();
}
int deleteCategoriesRecord() {
  notYet();
}
int deleteToDoRecord() {
  notYet();
}
int deleteScriptingRecord() {
  notYet();
}
int updateScheduleRecord() {
  notYet();
}
int updateScheduleRecord(ScheduleFile&) {
  notYet();
}
int updateHistoryRecord() {
  notYet();
}
int updateCategoriesRecord() {
  notYet();
}
int updateToDoRecord() {
  notYet();
}
int updateScriptingRecord() {
  notYet();
}
int addToDoItem(std::string_view) {
  notYet();
}
void installFileRoutines() {
  notYet();
}

}  // namespace dw::app
