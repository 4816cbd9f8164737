// The report engine: a report structure from a resource is opened, the
// procedure prints one band at a time, and the engine lays the bands out
// into pages (docs/reports.md describes the steps).  Pages go to the
// printer through a ReportDevice or, when a preview list is set, into page
// files whose names are appended to the list; previewed pages can then be
// printed in one print document.
//
// Errors are runtime errors (they end the program): 523 a metafile record
// too large, 524 the printer cannot be selected, 525 the report is already
// open, 538 PRINT of something that is not a report band, 539 ENDPAGE of
// something that is not a report.
//
// Thread-safety: a Report belongs to the thread that opened it and is used
// under the Runtime lock; the variables bound with use() are read only
// while printing a band.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/ui/report/report_device.h"
#include "runtime/ui/report/report_structure.h"
#include "runtime/ui/resfmt/window_record.h"
#include "runtime/ui/var_ref.h"

namespace dw::report {

namespace rerr {
inline constexpr int kRecordTooLarge = 523;
inline constexpr int kPrinterFailed = 524;
inline constexpr int kAlreadyOpen = 525;
inline constexpr int kPrintNotReport = 538;
inline constexpr int kEndPageNotReport = 539;
}  // namespace rerr

// Deepest nesting of keep-together levels that is honoured.
inline constexpr int kMaxKeepLevels = 10;

class Report {
 public:
  Report() = default;
  ~Report();
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  // OPEN.  The record (a report, or any other window record: then every
  // PRINT and ENDPAGE is an error) and the device outlive the open report.
  void open(const resfmt::WindowRecord& record, ReportDevice& device);
  // OPEN as procedures use it: the report record `label` of the module
  // `moduleKey` from the program's resources (runtime error 502 when it
  // is missing), on a device from makeReportDevice() for the printer
  // chosen in the printer dialog (deviceRequestFor).
  void open(std::string_view moduleKey, std::string_view label);
  // Without a printer, print into this PDF file (set before open).
  void setPdfFile(std::string name) { m_pdfFile = std::move(name); }
  bool isOpen() const { return m_open; }

  // Binds the variable of a control (a string with a variable) or the
  // break variable of a group, by field number.
  void use(int field, ui::VarRef variable);
  // Pages go to files named in `list` (owned by the caller); nullptr:
  // straight to the printer.
  void setPreview(std::vector<std::string>* list) { m_preview = list; }
  // Only pages numbered first..last are drawn and written (0: no bound).
  void setPageRange(std::int32_t first, std::int32_t last);
  // Where image controls find their pictures.
  void setImageSource(ImageSource source, ImageDecoder decoder);

  // PRINT(band): the band with this field number.
  void print(int field);
  // ENDPAGE: lays out every pending band.
  void endPage();
  // CLOSE: group footers, pending bands, page files deleted, document
  // ended, device released.
  void close();
  // Plays every file of the preview list onto one printer page each, in
  // one print document; false when the document cannot be started.
  bool printPreview();

  std::int32_t pageNumber() const { return m_pageNumber; }
  std::int32_t pageCount() const { return m_pageCount; }
  bool cancelled() const { return m_cancelled; }
  std::size_t pendingBands() const { return m_pending.size(); }
  std::int32_t pendingHeight() const { return m_pendingHeight; }
  const PageGeometry& geometry() const { return m_geometry; }
  bool hasPrinter() const { return m_hasPrinter; }
  // The page files written so far (deleted by close()).
  const std::vector<std::string>& pageFiles() const { return m_pageFiles; }

 private:
  struct Pending {
    const Band* band = nullptr;
    RenderedBand rendered;
    std::vector<std::vector<std::uint8_t>> extra;  // drawings handed on by empty bands
    std::int32_t firstOnPageHeight = 0;
    std::int32_t flags = 0;
    std::int32_t keepWithNext = 0;
  };

  void printBand(const Band& band);
  void groupBreaks(const Band& detail);
  void enqueue(const Band& band);
  void flush();
  void composePage();
  std::int32_t keptHeight(std::size_t from, bool firstOnPage) const;
  bool inRange() const;
  void drawAt(Canvas& canvas, const std::vector<std::uint8_t>& drawing, std::int32_t x,
              std::int32_t y);
  void drawPageBand(Canvas& canvas, const Band* band);
  RenderContext context();
  void deletePageFiles();

  bool m_open = false;
  bool m_isReport = false;
  // Owned when open() found the record and made the device itself.
  std::shared_ptr<const resfmt::Module> m_module;
  std::unique_ptr<ReportDevice> m_ownDevice;
  std::string m_pdfFile;
  const resfmt::WindowRecord* m_record = nullptr;
  ReportDevice* m_device = nullptr;
  std::unique_ptr<ReportStructure> m_structure;
  std::map<int, ui::VarRef> m_variables;
  ImageSource m_images;
  ImageDecoder m_decoder;
  bool m_hasPrinter = false;
  PageGeometry m_geometry;
  resfmt::UnitScale m_scale;
  FontSpec m_font;
  Colour m_textColour = kBlack;
  std::int32_t m_left = 0, m_detailTop = 0, m_detailHeight = 0;

  std::deque<Pending> m_pending;
  std::int32_t m_pendingHeight = 0;
  std::int32_t m_pageNumber = 1;
  std::int32_t m_pageCount = 0;
  std::int32_t m_rangeFirst = 0, m_rangeLast = 0;
  std::vector<std::string>* m_preview = nullptr;
  std::vector<std::string> m_pageFiles;
  bool m_documentStarted = false;
  bool m_cancelled = false;
  // The groups of the last detail printed, outermost first, with the
  // values of their break variables then.
  std::vector<std::pair<const Group*, std::string>> m_activeGroups;
};

}  // namespace dw::report
