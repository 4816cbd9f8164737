// Windows metafile (WMF) constants: the record function numbers, object
// kinds and header sizes that our recorder writes and our player reads.
// docs/page-files.md lists each record with its parameters.
//
// A metafile is an 18-byte header (type, header size in words, version,
// file size in words, number of object slots, largest record in words,
// unused count) followed by records.  A record is its size in 16-bit words
// (32-bit, counting the 6-byte record header), its function (16-bit) and
// its parameters as 16-bit words; the last record is EOF (size 3, function
// 0).  Objects (pens, brushes, fonts, palettes, regions) created by a
// record take the lowest free slot of the object table.
#pragma once

#include <cstdint>

namespace dw::report::wmf {

inline constexpr int kHeaderBytes = 18;
inline constexpr std::uint16_t kHeaderWords = 9;
inline constexpr std::uint16_t kVersion = 0x0300;

// Record functions.
inline constexpr std::uint16_t kEof = 0x0000;
inline constexpr std::uint16_t kSaveDc = 0x001E;
inline constexpr std::uint16_t kRealizePalette = 0x0035;
inline constexpr std::uint16_t kCreatePalette = 0x00F7;
inline constexpr std::uint16_t kSetBkMode = 0x0102;
inline constexpr std::uint16_t kSetMapMode = 0x0103;
inline constexpr std::uint16_t kSetRop2 = 0x0104;
inline constexpr std::uint16_t kSetPolyFillMode = 0x0106;
inline constexpr std::uint16_t kSetStretchBltMode = 0x0107;
inline constexpr std::uint16_t kRestoreDc = 0x0127;
inline constexpr std::uint16_t kSelectObject = 0x012D;
inline constexpr std::uint16_t kSetTextAlign = 0x012E;
inline constexpr std::uint16_t kDibCreatePatternBrush = 0x0142;
inline constexpr std::uint16_t kDeleteObject = 0x01F0;
inline constexpr std::uint16_t kCreatePatternBrush = 0x01F9;
inline constexpr std::uint16_t kSetBkColor = 0x0201;
inline constexpr std::uint16_t kSetTextColor = 0x0209;
inline constexpr std::uint16_t kSetWindowOrg = 0x020B;
inline constexpr std::uint16_t kSetWindowExt = 0x020C;
inline constexpr std::uint16_t kSetViewportOrg = 0x020D;
inline constexpr std::uint16_t kSetViewportExt = 0x020E;
inline constexpr std::uint16_t kOffsetWindowOrg = 0x020F;
inline constexpr std::uint16_t kOffsetViewportOrg = 0x0211;
inline constexpr std::uint16_t kLineTo = 0x0213;
inline constexpr std::uint16_t kMoveTo = 0x0214;
inline constexpr std::uint16_t kCreatePenIndirect = 0x02FA;
inline constexpr std::uint16_t kCreateFontIndirect = 0x02FB;
inline constexpr std::uint16_t kCreateBrushIndirect = 0x02FC;
inline constexpr std::uint16_t kPolygon = 0x0324;
inline constexpr std::uint16_t kPolyline = 0x0325;
inline constexpr std::uint16_t kScaleWindowExt = 0x0410;
inline constexpr std::uint16_t kScaleViewportExt = 0x0412;
inline constexpr std::uint16_t kIntersectClipRect = 0x0416;
inline constexpr std::uint16_t kEllipse = 0x0418;
inline constexpr std::uint16_t kRectangle = 0x041B;
inline constexpr std::uint16_t kTextOut = 0x0521;
inline constexpr std::uint16_t kEscape = 0x0626;
inline constexpr std::uint16_t kCreateRegion = 0x06FF;
inline constexpr std::uint16_t kDibBitBlt = 0x0940;
inline constexpr std::uint16_t kExtTextOut = 0x0A32;
inline constexpr std::uint16_t kDibStretchBlt = 0x0B41;
inline constexpr std::uint16_t kStretchDib = 0x0F43;

// Escape function of a comment; ours start with kCommentTag.
inline constexpr std::uint16_t kEscapeComment = 0x000F;
inline constexpr char kCommentTag[4] = {'D', 'W', 'R', 'P'};
// Subcodes of our comment.
inline constexpr std::uint16_t kCommentPageNumber = 1;
inline constexpr std::uint16_t kCommentSetOrigin = 2;
inline constexpr std::uint16_t kCommentAdvanceOrigin = 4;

inline constexpr std::uint16_t kMapModeText = 1;
inline constexpr std::uint16_t kMapModeAnisotropic = 8;
inline constexpr std::uint16_t kBkTransparent = 1;
inline constexpr std::uint16_t kTextAlignTopLeft = 0;
inline constexpr std::uint16_t kTextAlignBaseline = 24;
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::uint16_t kBrushSolid = 0;
inline constexpr std::uint16_t kBrushNull = 1;
inline constexpr std::uint16_t kFaceNameBytes = 32;
inline constexpr std::uint16_t kDibRgbColours = 0;

// The largest record the recorder writes or the player accepts (in bytes):
// a full-page 24-bit image at 300 dots per inch stays below it.
inline constexpr std::uint32_t kMaxRecordBytes = 64u << 20;

}  // namespace dw::report::wmf
