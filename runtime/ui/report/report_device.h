// ReportDevice: what the report engine needs from a printer, kept behind
// one interface so that the engine stays platform-neutral.  The Qt backend
// implements it over QPrinter (a real printer through CUPS, or a PDF file);
// HeadlessReportDevice implements it deterministically for tests.
//
// Calls come from the report's thread holding the Runtime lock, in this
// order: selectDefaultPrinter, setOrientation/setPaper, geometry and
// measure at will, then (when printing directly or printing a preview)
// beginDocument, beginPage/endPage pairs, endDocument, and release last.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/ui/report/canvas.h"
#include "runtime/ui/report/page_file.h"

namespace dw::report {

enum class PrinterStatus : std::uint8_t {
  Ready,      // a printer (or a PDF file standing in for one) was chosen
  NoPrinter,  // none is installed or none is the default: measure on memory
  Failed,     // anything else: error 524
};

enum class Orientation : std::uint8_t { Portrait = 1, Landscape = 2 };

// Paper kinds of the printer settings.
namespace paper {
inline constexpr int kLetter = 1;
inline constexpr int kLegal = 5;
inline constexpr int kA4 = 9;
inline constexpr int kUser = 256;  // a size of the report's own
}  // namespace paper

struct TextExtent {
  std::int32_t width = 0, height = 0;
};

class ReportDevice {
 public:
  virtual ~ReportDevice() = default;
  // Chooses the default printer without asking the user.
  virtual PrinterStatus selectDefaultPrinter() = 0;
  virtual void setOrientation(Orientation orientation) = 0;
  // A paper kind; for paper::kUser its width and length in tenths of a
  // millimetre.  Unknown kinds keep the printer's paper.
  virtual void setPaper(int kind, std::int32_t widthTenthMm, std::int32_t lengthTenthMm) = 0;
  // The printer's page in dots (or the memory context's without a printer).
  virtual PageGeometry geometry() = 0;
  // The size of a text in a font, in dots of the device.
  virtual TextExtent measure(const FontSpec& font, std::string_view text) = 0;
  // Printing.  beginDocument false: the document cannot be started.
  virtual bool beginDocument(std::string_view name) = 0;
  // A canvas for the next page, in dots from the printable area's corner;
  // valid until endPage.
  virtual Canvas& beginPage() = 0;
  virtual void endPage() = 0;
  virtual void endDocument() = 0;
  // Lets go of the printer settings.
  virtual void release() = 0;
};

// The text height of a font on a device that has none to ask: 6/5 em.
inline std::int32_t defaultLineHeight(const FontSpec& font) {
  return (font.height * 6 + 4) / 5;
}

}  // namespace dw::report
