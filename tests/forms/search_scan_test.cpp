// The scan of the search reads the Schedule in stored order a few records a
// step and resumes where the last step ended; a term on the message reads
// the memo; a match is handed on with SCH's buffer (record and message)
// holding it.
#include "app/forms/search/search_scan.h"
#include "app/data/app_files.h"
#include "app/forms/search/qbe_match.h"
#include "tests/forms/browse_fixture.h"

namespace dw::app::testing {
namespace {

class SearchScanTest : public BrowseFixture {};

TEST_F(SearchScanTest, AMessageTermReadsTheMemoAndAMatchFillsTheBuffer) {
  store({task(1, "one", today(), 1).withMessage("Pay the RENT"),
         task(2, "two", today(), 1).withMessage("Water the plants"),
         task(3, "three", today(), 1).withMessage("rented car"), task(4, "four", today(), 1),
         task(5, "five", today(), 1).withMessage("current")});
  ScheduleFile& f = SCH();
  ASSERT_EQ(f.open(0x42), 0);
  TaskFieldMap map;
  map.description = 1;
  map.messageText = 2;
  const std::vector<SearchField> fields = searchFields(map, 0, 0);
  ASSERT_EQ(fields.size(), 2u);
  f.clear();
  const ScheduleRecord example = f.rec();
  struct Case {
    std::vector<SearchTerm> terms;
    std::vector<std::string> found;  // description|message of each match
  };
  const Case cases[] = {
      {{{1, match::kContains, ""}}, {"one|Pay the RENT", "three|rented car", "five|current"}},
      {{{1, match::kBegins, ""}}, {"three|rented car"}},
      {{{1, match::kNotContains, ""}}, {"two|Water the plants", "four|"}},
  };
  for (const Case& c : cases) {
    ScheduleScan scan(fields, c.terms, example, "rent");
    std::vector<std::string> found;
    int steps = 0;
    while (!scan.step(2,
                      [&](std::uint32_t) {
                        found.push_back(f.rec().Description.str() + "|" + f.memoText(kMessageMemo));
                        return true;
                      })
                .done) {
      ++steps;
    }
    EXPECT_EQ(found, c.found) << c.terms[0].type;
    EXPECT_EQ(scan.error(), 0);
    EXPECT_EQ(steps, 2);  // 2 + 2 + 1 records
  }
  EXPECT_EQ(f.close(), 0);
}

}  // namespace
}  // namespace dw::app::testing
