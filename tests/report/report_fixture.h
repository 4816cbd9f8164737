// Shared helpers of the report tests: reports compiled from resource
// source, the texts drawn on each page, and the error a runtime error
// posted.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "runtime/lang/errors.h"
#include "runtime/ui/report/headless_report_device.h"
#include "runtime/ui/report/page_file.h"
#include "runtime/ui/report/report.h"
#include "runtime/ui/report/wmf_player.h"
#include "runtime/ui/resfmt/resource_source.h"
#include "tests/report/recording_canvas.h"

namespace dw::report::testing {

inline resfmt::Module compileReport(const std::string& body) {
  auto r = resfmt::compileSource("module \"T.vls$t\"\n" + body, "test.dws");
  EXPECT_TRUE(r.ok()) << r.error.text();
  return r.ok() ? *r.module : resfmt::Module{};
}

// The texts drawn by a metafile, in order.
inline std::vector<std::string> textsOf(std::span<const std::uint8_t> metafile) {
  RecordingCanvas c;
  const PlayResult r = playWmf(metafile, c, {});
  EXPECT_EQ(r.status, WmfStatus::Ok) << r.detail;
  std::vector<std::string> out;
  for (const auto& call : c.calls)
    if (call.rfind("text ", 0) == 0) out.push_back(call.substr(call.find(' ', 5) + 1));
  return out;
}

// Texts of every page printed to the device (its last document).
inline std::vector<std::vector<std::string>> printedTexts(const HeadlessReportDevice& device) {
  std::vector<std::vector<std::string>> out;
  if (device.documents().empty()) return out;
  for (const auto& page : device.documents().back().pages) out.push_back(textsOf(page));
  return out;
}

// Runs the independent reader wmf2svg on a file: its exit status and
// its messages followed by the SVG it wrote.
inline std::pair<int, std::string> wmf2svg(const std::string& file) {
  const std::string out = file + ".svg";
  const std::string cmd = "wmf2svg --inline -o '" + out + "' '" + file + "' 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return {-1, ""};
  std::string text;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p)) text += buf;
  const int status = ::pclose(p);
  if (FILE* f = std::fopen(out.c_str(), "rb")) {
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
  }
  std::remove(out.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

// Texts of page files, as our player reads them; every file is also
// rendered by wmf2svg, which must accept it and show the same texts.
inline std::vector<std::vector<std::string>> fileTexts(const std::vector<std::string>& files) {
  std::vector<std::vector<std::string>> out;
  for (const auto& name : files) {
    const auto bytes = readWholeFile(name);
    EXPECT_TRUE(bytes) << name;
    if (!bytes) continue;
    out.push_back(textsOf(*bytes));
    const auto [status, svg] = wmf2svg(name);
    EXPECT_EQ(status, 0) << name << ": " << svg.substr(0, 300);
    EXPECT_EQ(svg.find("ERROR"), std::string::npos) << svg.substr(0, 300);
    for (const auto& text : out.back())
      EXPECT_NE(svg.find(">" + text + "<"), std::string::npos) << name << ": " << text;
  }
  return out;
}

// The error a runtime error posted, or -1 when the operation did not halt.
inline int haltCode(const std::function<void()>& op) {
  lang::setHaltThrowsForTesting(true);
  try {
    op();
  } catch (const lang::HaltRequested& h) {
    return h.exitCode == 2 ? lang::errorCode() : -h.exitCode;
  }
  return -1;
}

}  // namespace dw::report::testing
