// The JPEG reader over libjpeg (see image.h, docs/images.md).
//
// libjpeg reports fatal errors through its error manager's error_exit,
// which must not return: ours jumps back to decodeJpeg with longjmp, so no
// C++ object with a destructor may live between setjmp and a libjpeg call
// (the output rows are written into a vector created before setjmp).
// Warnings are collected; the one that says the data ended early makes the
// picture corrupt, since libjpeg would fill the missing rows with grey.
// Grey, YCbCr and RGB pictures come out as RGB; CMYK and YCCK as CMYK,
// which is turned into RGB here (Adobe's inverted form).
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "runtime/image/byte_reader.h"

namespace dw::image {

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  bool truncated = false;
  char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void errorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr info, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

void outputMessage(j_common_ptr) {}

enum class Outcome { Ok, Failed, TooLarge };

// The libjpeg calls, between setjmp and the error jumps; builds no object
// with a destructor (the image and the row are the caller's).
Outcome decompress(jpeg_decompress_struct& info, ErrorManager& err,
                   std::span<const std::uint8_t> bytes, Image& img, std::vector<JSAMPLE>& row) {
  if (setjmp(err.jump)) return Outcome::Failed;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  if (!detail::sizeAllowed(info.image_width, info.image_height)) return Outcome::TooLarge;
  jpeg_start_decompress(&info);
  const int w = static_cast<int>(info.output_width);
  const int components = info.output_components;
  if (!img.allocate(w, static_cast<int>(info.output_height)) ||
      (components != 3 && components != 4)) {
    return Outcome::TooLarge;
  }
  row.resize(static_cast<std::size_t>(w) * components);
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int x = 0; x < w; ++x) {
      const JSAMPLE* p = &row[static_cast<std::size_t>(x) * components];
      if (cmyk) {
        // Adobe writes CMYK inverted: the stored values are 255 - ink.
        img.set(x, y, static_cast<std::uint8_t>(p[0] * p[3] / 255),
                static_cast<std::uint8_t>(p[1] * p[3] / 255),
                static_cast<std::uint8_t>(p[2] * p[3] / 255));
      } else {
        img.set(x, y, p[0], p[1], p[2]);
      }
    }
  }
  jpeg_finish_decompress(&info);
  return Outcome::Ok;
}

}  // namespace

DecodeResult decodeJpeg(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
    return detail::corrupt("not a JPEG file");
  }
  Image img;
  std::vector<JSAMPLE> row;
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = errorExit;
  err.base.emit_message = emitMessage;
  err.base.output_message = outputMessage;
  jpeg_create_decompress(&info);
  const Outcome outcome = decompress(info, err, bytes, img, row);
  jpeg_destroy_decompress(&info);
  if (outcome == Outcome::Failed) return detail::corrupt(std::string("JPEG: ") + err.message);
  if (outcome == Outcome::TooLarge) return detail::corrupt("JPEG picture too large or odd");
  if (err.truncated) return detail::corrupt("truncated JPEG data");
  return detail::decoded(std::move(img));
}

}  // namespace dw::image
