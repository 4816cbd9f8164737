// The writer of window resource blobs: a Module in memory to the bytes of a
// DABDUMP resource (layout: docs/window-resources.md).
//
// The writer lays a blob out in one fixed order, so that for every blob it
// wrote, writeModule(parseModule(blob)) gives the same bytes back: after the
// key string and the first-window offset come, for each window in chain
// order, its texts, its font, its value chain and status zones, the window
// record, then its menu bar, tool bar and controls (each record preceded by
// its own texts and value-type descriptor, followed by its children).
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/ui/resfmt/window_record.h"

namespace dw::resfmt {

std::vector<std::uint8_t> writeModule(const Module& module);

}  // namespace dw::resfmt
