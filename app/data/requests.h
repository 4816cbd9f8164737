// The request and response codes that procedures pass to each other: the
// caller sets the request (what the called window is to do with the record
// in the declaration's buffer) and reads back the response.  One pair for
// the process, shared by every window's thread.
//
// Threads: read and written under the Runtime lock only.
#pragma once

namespace dw::app {

namespace request {
inline constexpr int kInsert = 1;
inline constexpr int kChange = 2;
inline constexpr int kDelete = 3;
inline constexpr int kSelect = 4;
inline constexpr int kSearch = 8;
}  // namespace request

namespace response {
inline constexpr int kCompleted = 1;
inline constexpr int kCancelled = 2;
}  // namespace response

int& globalRequest();
int& globalResponse();

}  // namespace dw::app
