// Picture compilation, FORMAT and DEFORMAT of every picture type, and the
// entry patterns.  Expected texts are written out in full, blanks included.
#include <gtest/gtest.h>

#include "runtime/lang/dates.h"
#include "runtime/lang/intl.h"
#include "runtime/lang/picture.h"

namespace dw::lang {
namespace {

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override { resetLanguageTables(); }
  void TearDown() override { resetLanguageTables(); }
};

const int k1Jan2000 = 72687;
const int k5Jan1996 = 71230;
const int k23Jun1996 = 71400;

struct FormatCase {
  const char* picture;
  double value;
  const char* text;
};

// Day numbers and time values.
struct WholeCase {
  const char* picture;
  long long value;
  const char* text;
};

TEST_F(PictureTest, Dates) {
  ASSERT_EQ(dayNumberOf({1996, 5, 1}), k5Jan1996);
  const WholeCase cases[] = {
      {"@d1", k5Jan1996, " 1/05/96"},
      {"@d01", k5Jan1996, "01/05/96"},
      {"@d*1", k5Jan1996, "*1/*5/96"},
      {"@d2", k5Jan1996, " 1/05/1996"},
      {"@d3", k23Jun1996, "JUN 23, 1996"},
      {"@d3", k5Jan1996, "JAN  5, 1996"},
      {"@d4", k23Jun1996, "June 23, 1996"},
      {"@d5", k5Jan1996, " 5/01/96"},
      {"@d6", k5Jan1996, " 5/01/1996"},
      {"@d7", k5Jan1996, " 5 JAN 96"},
      {"@d8", k5Jan1996, " 5 JAN 1996"},
      {"@d8-", k5Jan1996, " 5-JAN-1996"},
      {"@d9", k5Jan1996, "96/01/05"},
      {"@d10", k5Jan1996, "1996/01/05"},
      {"@d11", k5Jan1996, "960105"},
      {"@d12", k5Jan1996, "19960105"},
      {"@d13", k5Jan1996, "01/96"},
      {"@d14", k5Jan1996, "01/1996"},
      {"@d15", k5Jan1996, "96/01"},
      {"@d16", k5Jan1996, "1996/01"},
      {"@d17", k5Jan1996, "01/05/96"},
      {"@d18", k5Jan1996, "January 05, 1996"},
      {"@d2.", k5Jan1996, " 1.05.1996"},
      {"@d2_", k5Jan1996, " 1 05 1996"},
      {"@d2`", k5Jan1996, " 1,05,1996"},
      {"@d1", k1Jan2000, " 1/01/00"},
      {"@D1", k1Jan2000, " 1/01/00"},
      {"@d1b", 0, "        "},
      {"@d1", 0, "  /  /  "},
      {"@d3", 3, "      ,     "},
      {"@d3", 109212, "      ,     "},
      {"@d2", 4, " 1/01/1801"},
      {"@d2", 109211, "12/31/2099"},
      {"@d1B", 4, " 1/01/01"},
  };
  for (const WholeCase& c : cases)
    EXPECT_EQ(format(static_cast<double>(c.value), c.picture), c.text) << c.picture;
}

TEST_F(PictureTest, Times) {
  const int t1330 = timeValueOf({13, 30, 0, 0});
  const WholeCase cases[] = {
      {"@t1", 1, " 0:00"},
      {"@t1", kLastTime, "23:59"},
      {"@t4", kLastTime, "23:59:59"},
      {"@t2", t1330, "1330"},
      {"@t3", t1330, " 1:30PM"},
      {"@t3", 1, "12:00AM"},
      {"@t3", timeValueOf({12, 5, 0, 0}), "12:05PM"},
      {"@t5", t1330, "133000"},
      {"@t6", t1330 + 4599, " 1:30:45PM"},
      {"@t7", t1330, "01:30 PM"},
      {"@t8", t1330, "01:30:00 PM"},
      {"@t01", timeValueOf({5, 7, 0, 0}), "05:07"},
      {"@t4-", t1330, "13-30-00"},
      {"@t1", kLastTime + 1, "  :  "},
      {"@t1", 0, "  :  "},
      {"@t1B", 0, "     "},
      {"@t3", -5, "  :    "},
  };
  for (const WholeCase& c : cases)
    EXPECT_EQ(format(static_cast<double>(c.value), c.picture), c.text) << c.picture;
}

TEST_F(PictureTest, Numbers) {
  const FormatCase cases[] = {
      {"@n10.2", 1234.565, "  1,234.57"},
      {"@n10.2", -1234.565, "  1,234.57"},  // no sign position: the sign is lost
      {"@n-10.2", -1234.565, "- 1,234.57"},
      {"@n10.2-", -2.5, "     2.50-"},
      {"@n(10.2)", -1234.5, "(1,234.50)"},
      {"@n(10.2)", 1234.5, " 1,234.50 "},
      {"@n$10.2", 12.5, "$    12.50"},
      {"@n10.2~ EUR~", 12.5, " 12.50 EUR"},
      {"@n3", 999, "999"},
      {"@n3", 1000, "###"},
      {"@n7.2", 12345.678, "####.##"},
      {"@n5.2", 0.5, " 0.50"},
      {"@n5.2", 0.004, " 0.00"},
      {"@n5.2", -0.004, " 0.00"},
      {"@n5.2", 9.995, "10.00"},
      {"@n5.2", 99.995, "##.##"},
      {"@n5.2", 2.675, " 2.68"},
      {"@n6", -2.5, "     3"},
      {"@n-6", -2.5, "-    3"},
      {"@n9", 1234567, "1,234,567"},
      {"@n8", 1234567, "########"},
      {"@n4", 999, " 999"},
      {"@n010", 1234, "0000001234"},
      {"@n*10.2", 1234.5, "***1234.50"},
      {"@n_9", 1234, "     1234"},
      {"@n12`2", 1234567.5, "1.234.567,50"},
      {"@n12.`2", 1234567.5, "1.234.567,50"},
      {"@n12_`2", 1234567.5, "1 234 567,50"},
      {"@n10.", 1234567, " 1.234.567"},
      {"@n7v2", 123.45, " 12345"},
      {"@n7.2B", 0, "       "},
      {"@n7.2B", 0.001, "       "},
      {"@n7.2", 0, "   0.00"},
  };
  for (const FormatCase& c : cases)
    EXPECT_EQ(format(c.value, c.picture), c.text) << c.picture << " " << c.value;
}

TEST_F(PictureTest, NumbersGivenAsTextKeepTheirDigits) {
  EXPECT_EQ(format("12345678901234567.125", "@n25.2"), "12,345,678,901,234,567.13");
  EXPECT_EQ(format("-0.005", "@n-6.2"), "- 0.01");
  EXPECT_EQ(format("abc", "@n5"), "    0");
}

TEST_F(PictureTest, ScientificPatternStringKeyIn) {
  EXPECT_EQ(format(12345.678, "@e12.4"), " 1.2346E+004");
  EXPECT_EQ(format(-0.00012, "@e12.4"), "-1.2000E-004");
  EXPECT_EQ(format(0.0, "@e9"), "   0E+000");
  EXPECT_EQ(format(0.0, "@e9B"), "         ");
  EXPECT_EQ(format(123456789, "@p###-##-####p"), "123-45-6789");
  EXPECT_EQ(format(12345, "@p###-##-####p"), "000-01-2345");
  EXPECT_EQ(format(5, "@p<<#p"), "  5");
  EXPECT_EQ(format(1234, "@p<<#p"), "###");
  EXPECT_EQ(format(0, "@p<<#pB"), "   ");
  EXPECT_EQ(format("hello world", "@s5"), "hello");
  EXPECT_EQ(format("hi", "@s20"), "hi");
  EXPECT_EQ(format(12.5, "@s10"), "12.5");
  EXPECT_EQ(format("5551234567", "@k(###) ###-####k"), "(555) 123-4567");
  EXPECT_EQ(format("(555) 123-4567", "@k(###) ###-####k"), "(555) 123-4567");
  EXPECT_EQ(format("abcd", "@k^^__k"), "ABcd");
  EXPECT_EQ(format("ab", "@k^\\#|??k"), "A#b ");
}

TEST_F(PictureTest, InvalidPicturesFormatNothing) {
  const char* invalid[] = {
      "",         "@",      "n10",  "@x5",  "@n",   "@n0",  "@n256", "@n2.2", "@n10.2x", "@n(10.2",
      "@n-10.2-", "@n$10$", "@d0",  "@d19", "@d20", "@d1x", "@t9",   "@t1..", "@s",      "@s0",
      "@s256",    "@sB",    "@p#p", "@p##", "@k#k", "@e6",  "@e8.2", "@n~~5", "@k\\k",
  };
  for (const char* p : invalid) {
    CompiledPicture c = compilePicture(p);
    EXPECT_FALSE(c.valid) << p;
    EXPECT_EQ(c.encode(), (std::vector<std::uint8_t>{0, 0})) << p;
    EXPECT_EQ(format(5.0, p), "") << p;
  }
  EXPECT_FALSE(compilePicture("@s" + std::string(300, '9')).valid);
}

TEST_F(PictureTest, CompiledForm) {
  CompiledPicture d = compilePicture("@d1B");
  std::vector<std::uint8_t> bytes = d.encode();
  ASSERT_EQ(bytes.size(), 2u + 2 * 8);
  EXPECT_EQ(bytes[0], 2 | 1 << 3 | 0x80);
  EXPECT_EQ(bytes[1], 8);
  EXPECT_EQ(bytes[2], ' ');  // month's leading zero prints a blank
  EXPECT_EQ(bytes[3], 7);
  EXPECT_EQ(bytes[6], '/');
  EXPECT_EQ(bytes[7], 19);
  CompiledPicture s = compilePicture("@s20");
  EXPECT_EQ(s.encode(), (std::vector<std::uint8_t>{5, 20}));
  CompiledPicture n = compilePicture("@n-7.2");
  EXPECT_EQ(n.encode()[0], 0 | 3 << 3);
  ASSERT_EQ(n.positions.size(), 7u);
  EXPECT_EQ(n.positions[0], (PicturePosition{'-', PositionKind::Sign}));
  EXPECT_EQ(n.positions[1], (PicturePosition{' ', PositionKind::DigitFill}));
  EXPECT_EQ(n.positions[3], (PicturePosition{'0', PositionKind::Digit}));
  EXPECT_EQ(n.positions[4], (PicturePosition{'.', PositionKind::DecimalPoint}));
  EXPECT_EQ(compilePicture("@e12.4").encode()[0], 1 | 2 << 3);
  EXPECT_EQ(compilePicture("@t3").positions[5].kind, PositionKind::AmPm);
  EXPECT_EQ(compilePicture("@n7v2").positions[4].kind, PositionKind::ImpliedPoint);
  EXPECT_EQ(compilePicture("@k^|k").positions[1].kind, PositionKind::KeyOptional);
  // The largest picture fits the 512-byte form.
  EXPECT_EQ(compilePicture("@n255").encode().size(), 512u);
}

TEST_F(PictureTest, ScientificMantissaIsGroupedAfterMoreThanThreeDecimals) {
  // The mantissa area holds four positions in each picture; it is grouped
  // only when more than three digits follow the point.
  const struct {
    const char* picture;
    PositionKind second;  // the kind of the mantissa area's first position
    char ch;
  } cases[] = {
      {"@e17.6", PositionKind::Grouping, ','},  {"@e17`6", PositionKind::Grouping, '.'},
      {"@e17_.6", PositionKind::Grouping, ' '}, {"@e17.`6", PositionKind::Grouping, '.'},
      {"@e14.3", PositionKind::DigitFill, ' '}, {"@e17v6", PositionKind::Grouping, ','},
  };
  for (const auto& c : cases) {
    CompiledPicture p = compilePicture(c.picture);
    ASSERT_TRUE(p.valid) << c.picture;
    EXPECT_EQ(p.positions[1], (PicturePosition{c.ch, c.second})) << c.picture;
    EXPECT_EQ(p.positions[4].kind, PositionKind::Digit) << c.picture;  // the units digit
  }
  // Separators never print: the mantissa has a single integer digit.
  EXPECT_EQ(format(12345.678, "@e17.6"), "    1.234568E+004");
  EXPECT_EQ(format(-12345.678, "@e17`6"), "-   1,234568E+004");
  EXPECT_EQ(format(12345.678, "@e14.3"), "    1.235E+004");
  EXPECT_DOUBLE_EQ(deformat("-   1,234568E+004", "@e17`6").number, -12345.68);
}

TEST_F(PictureTest, LeadingSeparatorPrintsTheFill) {
  const FormatCase cases[] = {
      {"@n*12.", 1234, "*******1.234"}, {"@n$*12.", 1234, "$******1.234"},
      {"@n012.", 1234, "0000.001.234"}, {"@n012.", 0, "0000.000.000"},
      {"@n12.", 1234, "       1.234"},  {"@n*4", 5, "***5"},
  };
  for (const FormatCase& c : cases)
    EXPECT_EQ(format(c.value, c.picture), c.text) << c.picture << " " << c.value;
}

TEST_F(PictureTest, BlankWhenZeroIsAsWideAsTheText) {
  const FormatCase cases[] = {
      {"@n7v2B", 0, "      "},         {"@n7v2B", 1.5, "   150"}, {"@e12v4B", 0, "           "},
      {"@e12v4B", 1.5, " 15000E+000"}, {"@n7.2B", 0, "       "},  {"@p##-##pB", 0, "     "},
  };
  for (const FormatCase& c : cases)
    EXPECT_EQ(format(c.value, c.picture), c.text) << c.picture << " " << c.value;
}

TEST_F(PictureTest, DeformatIgnoresCurrencyAndDotGrouping) {
  const struct {
    const char* picture;
    const char* text;
    double value;
  } cases[] = {
      {"@n10.", " 1.234.567", 1234567},
      {"@n*12.", "*******1.234", 1234},
      {"@n10", "12.5", 12.5},  // typed text with no picture point
      {"@n-13.2~SFr.~", "-   12.50SFr.", -12.5},
      {"@n~SFr.~12.2", "SFr.   12.50", 12.5},
      {"@n~1A~12.2", "1A     12.50", 12.5},
      {"@n12.2~kr-1~", "   12.50kr-1", 12.5},
      {"@n12.2~(x)~", "    12.50(x)", 12.5},
      {"@n12.2-~kr~", "   12.50-kr", -12.5},
      {"@n~SFr.~12.2", "12.5", 12.5},  // typed without the currency
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(deformat(c.text, c.picture).number, c.value) << c.picture << " " << c.text;
}

struct DeformatCase {
  const char* picture;
  const char* text;
  double value;
  DeformatCase(const char* p, const char* t, double v) : picture(p), text(t), value(v) {}
};

TEST_F(PictureTest, Deformat) {
  const DeformatCase cases[] = {
      {"@d3", "JUN 23, 1996", k23Jun1996},
      {"@d3", "jun 23, 1996", k23Jun1996},
      {"@d4", "June 23, 1996", k23Jun1996},
      {"@d1", "5/1/96", k5Jan1996 + 117},
      {"@d1", " 1/05/96", k5Jan1996},
      {"@d2", "01/05/1996", k5Jan1996},
      {"@d11", "960105", k5Jan1996},
      {"@d13", "01/96", k5Jan1996 - 4},
      {"@d1", "  /  /  ", 0},
      {"@d1", "", 0},
      {"@d1", "02/30/99", static_cast<double>(dayNumberOf({1999, 2, 3}))},
      {"@d1", "00/01/99", static_cast<double>(dayNumberOf({1999, 1, 1}))},
      {"@d2", "01/01/2100", -1},
      {"@d3", "XYZ 5, 1996", -1},
      {"@t1", "00:00", 0},
      {"@t3", "12:00AM", 1},
      {"@t3", "12:30AM", 180001},
      {"@t3", "12:30PM", 4500001},
      {"@t3", " 1:30pm", 4860001},
      {"@t4", "23:59:59", 8639901},
      {"@t1", "24:00", -1},
      {"@t4", "10:60:00", -1},
      {"@n10.2", "  1,234.57", 1234.57},
      {"@n-10.2", "- 1,234.57", -1234.57},
      {"@n(10.2)", "(1,234.50)", -1234.5},
      {"@n12`2", "1.234.567,50", 1234567.5},
      {"@n7v2", " 12345", 123.45},
      {"@n7v2", "5", 0.05},
      {"@n5", "", 0},
      {"@e12.4", " 1.2346E+004", 12346},
      {"@e12.4", "-1.2000E-004", -0.00012},
      {"@p###-##-####p", "123-45-6789", 123456789},
      {"@p<<#p", "  5", 5},
      {"@x", "12", 0},
  };
  for (const DeformatCase& c : cases) {
    PictureValue v = deformat(c.text, c.picture);
    EXPECT_FALSE(v.isText);
    EXPECT_DOUBLE_EQ(v.number, c.value) << c.picture << " '" << c.text << "'";
  }
  EXPECT_EQ(deformat("hello world", "@s5").text, "hello");
  EXPECT_EQ(deformat("(555) 123-4567", "@k(###) ###-####k").text, "(555) 123-4567");
  EXPECT_EQ(deformat("abcd", "@k^^__k").text, "ABcd");
}

TEST_F(PictureTest, RoundTrips) {
  const char* datePictures[] = {"@d1", "@d2",  "@d3",  "@d4",  "@d5",  "@d6",  "@d7",   "@d8",
                                "@d9", "@d10", "@d11", "@d12", "@d17", "@d18", "@d02.", "@d*8-"};
  const char* fullYear[] = {"@d2", "@d3", "@d4", "@d6", "@d8", "@d10", "@d12", "@d18", "@d*8-"};
  for (int day = kFirstDay; day <= kLastDay; day += 37) {
    for (const char* p : fullYear) {
      ASSERT_EQ(deformat(format(day, p), p).number, day) << p << " " << day;
    }
    // Two-digit years read back as 19yy.
    int expected = yearOf(day) >= 1900 && yearOf(day) <= 1999 ? day : -2;
    for (const char* p : datePictures) {
      if (expected == -2) break;
      ASSERT_EQ(deformat(format(day, p), p).number, expected) << p << " " << day;
    }
  }
  const char* timePictures[] = {"@t4", "@t5", "@t6", "@t8", "@t04-"};
  for (int t = 1; t <= kLastTime; t += 6007) {
    int seconds = t - (t - 1) % 100;  // hundredths are not read back
    for (const char* p : timePictures) {
      // Midnight reads back as "no time", except as 12 AM.
      bool twelveHour = p == std::string("@t6") || p == std::string("@t8");
      int expected = seconds == 1 && !twelveHour ? 0 : seconds;
      ASSERT_EQ(deformat(format(t, p), p).number, expected) << p << " " << t;
    }
  }
  const char* numberPictures[] = {"@n12.2",  "@n-12.2", "@n(12.2)", "@n$12.2",      "@n12`2",
                                  "@n012.2", "@n*12.2", "@n12v2",   "@n-15.2~ kr~", "@n12.2-"};
  const double values[] = {0, 0.01, -0.01, 1, -1, 12.34, -999.99, 123456.78, -99999.99};
  for (const char* p : numberPictures) {
    bool signed_ = std::string(p).find_first_of("-(") != std::string::npos;
    for (double v : values) {
      double expected = signed_ ? v : (v < 0 ? -v : v);
      EXPECT_DOUBLE_EQ(deformat(format(v, p), p).number, expected) << p << " " << v;
    }
  }
  for (double v : {1.5, -2.25e-10, 6.02e23, -1e300}) {
    EXPECT_NEAR(deformat(format(v, "@e15.6"), "@e15.6").number / v, 1.0, 1e-6);
  }
}

TEST_F(PictureTest, EntryPatterns) {
  const struct {
    const char* picture;
    const char* pattern;
  } cases[] = {
      {"@d1", "Mm/dd/yy"},
      {"@d3", "NNN Dd, yyyy"},
      {"@d4", "NNNNNNNNN Dd, yyyy"},
      {"@d13", "Mm/yy"},
      {"@d17", "mm/dd/yy"},
      {"@d18", "NNNNNNNNN dd, yyyy"},
      {"@d19", "Dd NNNNNNNNN yyyy"},
      {"@d20", "NNNNNNNNN Dd yyyy"},
      {"@d2-", "Mm-dd-yyyy"},
      {"@t1", "hh:mm"},
      {"@t3", "Hh:mmPP"},
      {"@t7", "hh:mm PP"},
      {"@t8", "hh:mm:ss PP"},
      {"@t4.", "hh.mm.ss"},
      {"@n10.2", ""},
      {"@d21", ""},
      {"@t9", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(entryPattern(c.picture), c.pattern) << c.picture;
}

TEST_F(PictureTest, LocalePicturesFollowTheSettings) {
  IntlSettings s;
  s.iTime = 1;
  s.iTLzero = 0;
  s.sTime = ".";
  s.sShortDate = "d.M.yyyy";
  s.sLongDate = "dddd, d'. 'MMMM yyyy";
  setIntlSettings(s);
  const int t = timeValueOf({7, 5, 9, 0});
  EXPECT_EQ(format(t, "@t7"), " 7.05");
  EXPECT_EQ(format(t, "@t8"), " 7.05.09");
  EXPECT_EQ(format(k5Jan1996, "@d17"), " 5. 1.1996");
  EXPECT_EQ(format(k5Jan1996, "@d18"), " 5. January 1996");
  EXPECT_EQ(deformat(" 5. 1.1996", "@d17").number, k5Jan1996);
  EXPECT_EQ(entryPattern("@d17"), "Dd.Mm.yyyy");
  EXPECT_EQ(entryPattern("@t7"), "Hh.mm");
  s = IntlSettings();
  s.sShortDate = "yyyy-MM-dd";
  s.sLongDate = "MMM d yy";
  s.s1159 = "a";
  s.s2359 = "p";
  setIntlSettings(s);
  EXPECT_EQ(format(k5Jan1996, "@d17"), "1996-01-05");
  EXPECT_EQ(format(k5Jan1996, "@d18"), "Jan  5 96");
  EXPECT_EQ(format(timeValueOf({15, 0, 0, 0}), "@t7"), "03:00 p ");
  EXPECT_EQ(deformat("03:00 p ", "@t7").number, timeValueOf({15, 0, 0, 0}));
  EXPECT_EQ(format(timeValueOf({15, 0, 0, 0}), "@t3"), " 3:00PM");  // built-in markers
  s.sLongDate = "dddd";  // no field left: the default layout
  setIntlSettings(s);
  EXPECT_EQ(format(k5Jan1996, "@d18"), "January 05, 1996");
}

TEST_F(PictureTest, MonthNamesAndMarkersFromTheTables) {
  setMonthName(1, "Janvier");
  setMonthAbbreviation(1, "jan");
  setMonthName(5, "Mai");
  setAmPmMarkers("V", "N");
  EXPECT_EQ(format(k5Jan1996, "@d4"), "Janvier  5, 1996");
  EXPECT_EQ(format(k5Jan1996 + 120, "@d3"), "MAI  4, 1996");
  EXPECT_EQ(format(timeValueOf({15, 0, 0, 0}), "@t3"), " 3:00N ");
  EXPECT_EQ(deformat(" 3:00N ", "@t3").number, timeValueOf({15, 0, 0, 0}));
  EXPECT_EQ(deformat("JAN  5, 1996", "@d3").number, k5Jan1996);
  setMonthName(2, "AVeryLongMonthName");
  EXPECT_EQ(monthName(2), "AVeryLongMon");
}

}  // namespace
}  // namespace dw::lang
