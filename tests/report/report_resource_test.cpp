// Reports in window resources: a report with every kind of band, nested
// groups with named break variables and every band field compiles to a
// blob that decodes to the same structure and prints back to source that
// compiles to the same bytes.
#include <gtest/gtest.h>

#include "runtime/ui/report/report_structure.h"
#include "runtime/ui/resfmt/blob_writer.h"
#include "runtime/ui/resfmt/resource_source.h"

namespace dw::report {
namespace {

const char* kSource = R"(module "DORN.vls$dorn020"
report PRINTSCH$REPORT {
  title "Schedule by category"
  font "Arial" 10
  attr 0x1200
  at 1000 1000 size 6000 7458
  paper 256 8000 10000
  header { at 1000 200 size 6000 400 string "Schedule" { at 0 0 size 3000 300 } }
  footer { at 1000 9000 size 6000 300 string "Page " { at 0 0 size 1500 300 attr 0x1000 } }
  form { box { at 0 0 size 8000 10000 } }
  break "SCH:Category" {
    header { size 6000 300 flags 1 display { at 0 0 size 3000 250 var string 20 picture "@s20" } }
    break "SCH:Date" {
      header { flags 1 before 1 beforepage 5 }
      detail { size 6000 250 flags 96 keep 2 display { at 0 0 size 3000 250 var long 4 picture "@d3" } }
      footer { flags 6 after 1 afterpage 7 line { at 0 0 size 6000 0 colour 0xFF0000 } }
    }
    footer { size 6000 300 flags 2 keep 1 }
  }
  detail { image "~LOGO.WMF" { at 0 0 size natural natural } }
}
)";

TEST(ReportResourceTest, RoundTripsThroughBlobAndSource) {
  const auto first = resfmt::compileSource(kSource, "dorn020.dws");
  ASSERT_TRUE(first.ok()) << first.error.text();
  const std::vector<std::uint8_t> blob = resfmt::writeModule(*first.module);
  const auto decoded = resfmt::parseModule(blob);
  ASSERT_TRUE(decoded.ok()) << decoded.error.message;
  EXPECT_EQ(*decoded.module, *first.module);
  const std::string printed = resfmt::printSource(*decoded.module);
  const auto again = resfmt::compileSource(printed, "printed.dws");
  ASSERT_TRUE(again.ok()) << again.error.text() << "\n" << printed;
  EXPECT_EQ(resfmt::writeModule(*again.module), blob);
  EXPECT_EQ(resfmt::printSource(*again.module), printed);
}

TEST(ReportResourceTest, StructureFindsGroupsBandsAndBreakVariables) {
  const auto r = resfmt::compileSource(kSource, "dorn020.dws");
  ASSERT_TRUE(r.ok()) << r.error.text();
  const resfmt::WindowRecord& rec = r.module->windows.at(0);
  EXPECT_EQ(rec.kind, resfmt::RecordKind::Report);
  EXPECT_EQ(rec.paperKind, 256);
  ReportStructure s(rec);
  ASSERT_EQ(s.groups().size(), 2u);
  const Group& outer = *s.groups()[0];
  const Group& inner = *s.groups()[1];
  EXPECT_EQ(outer.record->text, "SCH:Category");
  EXPECT_EQ(inner.record->text, "SCH:Date");
  EXPECT_EQ(inner.parent, &outer);
  ASSERT_TRUE(outer.header && outer.footer && inner.header && inner.footer);
  EXPECT_EQ(inner.header->record->band.beforePage, 5);
  EXPECT_EQ(inner.footer->record->band.afterPage, 7);
  ASSERT_TRUE(s.pageHeader() && s.pageFooter() && s.form());
  // The detail of the inner group sits in both groups, outermost first.
  const resfmt::ControlRecord& innerDetail = inner.record->children[1];
  Band* detail = s.band(innerDetail.field);
  ASSERT_TRUE(detail);
  EXPECT_EQ(detail->record->band.keepWithPrevious, 2);
  EXPECT_EQ(s.chain(*detail), (std::vector<Group*>{s.groups()[0].get(), s.groups()[1].get()}));
  EXPECT_EQ(s.group(outer.record->field), &outer);
}

}  // namespace
}  // namespace dw::report
